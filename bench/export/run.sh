#!/usr/bin/env bash
# Builds the optimised export benchmark in build/ and runs it: a full export of 100,000 lines
# through the progress window to a demo ERP server, pinned to CPU 0 and unpinned, against the
# round-trip limit that bench_gateway measures in the same run; then peak memory for 10,000 and
# 1,000,000 lines. Optional arguments: the two line counts (default 100000 1000000).
set -euo pipefail
cd "$(dirname "$0")/../.."

echo "Building bench_export (release) in build/"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DKWP_BUILD_TESTS=OFF >/dev/null
cmake --build build --target bench_export -j 2
./build/bench/export/bench_export "$@"

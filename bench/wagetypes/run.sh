#!/usr/bin/env bash
# Builds the optimised wage-type benchmark in build/ and runs it pinned to CPU 0 (program and
# server on one core) and unpinned.
set -euo pipefail
cd "$(dirname "$0")/../.."

echo "Building bench_wagetypes (release) in build/"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DKWP_BUILD_TESTS=OFF >/dev/null
cmake --build build --target bench_wagetypes -j 2
echo "Pinned to CPU 0:"
taskset -c 0 ./build/bench/wagetypes/bench_wagetypes
echo "Unpinned:"
./build/bench/wagetypes/bench_wagetypes

#!/usr/bin/env bash
# Builds the optimised command-channel benchmark in build/ and runs it. It starts its own demo
# ERP servers (one pinned to CPU 0 with the client, one unpinned) and stops them by PID.
set -euo pipefail
cd "$(dirname "$0")/../.."

echo "Building bench_gateway (release) in build/"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DKWP_BUILD_TESTS=OFF >/dev/null
cmake --build build --target bench_gateway -j 2
./build/bench/gateway/bench_gateway

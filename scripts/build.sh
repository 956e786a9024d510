#!/usr/bin/env bash
# Configures and builds the project. Usage: scripts/build.sh [release|test]
#   release  build/        optimised program, kwpctl and benchmarks
#   test     build-test/   every test program under AddressSanitizer and UBSan
set -euo pipefail
cd "$(dirname "$0")/.."

kind=${1:-release}
case "$kind" in
release) dir=build; flags=(-DCMAKE_BUILD_TYPE=Release -DKWP_BUILD_TESTS=OFF) ;;
test) dir=build-test; flags=(-DCMAKE_BUILD_TYPE=Debug -DKWP_SANITIZE=ON -DKWP_BUILD_BENCH=OFF) ;;
*) echo "usage: $0 [release|test]" >&2; exit 2 ;;
esac

# Rebuilds reuse what an earlier build of the same sources compiled, in any clone.
if command -v ccache >/dev/null; then
  export CCACHE_BASEDIR=$PWD
  flags+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

echo "Building ($kind) in $dir/"
cmake -S . -B "$dir" -G Ninja "${flags[@]}" >/dev/null
cmake --build "$dir" -j "$(nproc)"

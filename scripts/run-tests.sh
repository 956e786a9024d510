#!/usr/bin/env bash
# Installs what is missing, builds the test programs and runs every test. The tests start
# and stop the servers they need (GT.M line service, PostgreSQL) themselves.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup-deps.sh
# The package test unpacks what package.sh built: a release build of the two programs.
bash scripts/package.sh
bash scripts/build.sh test

export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir build-test --output-on-failure -j 2 "$@"

#!/usr/bin/env bash
# Builds the Debian packages with CPack, in build-package/packages/:
#   kwp-import_VERSION_amd64.deb       the program, kwpctl, desktop entry, example INI, README
#   kwp-lineservice_VERSION_all.deb    the line service for the ERP server
# Only what the packages hold is built (release): the program and kwpctl.
set -euo pipefail
cd "$(dirname "$0")/.."

dir=build-package
echo "Building the packages' programs (release) in $dir/"
launcher=()
if command -v ccache >/dev/null; then
  export CCACHE_BASEDIR=$PWD
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKWP_BUILD_TESTS=OFF \
  -DKWP_BUILD_BENCH=OFF -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON "${launcher[@]}" >/dev/null
cmake --build "$dir" -j "$(nproc)" --target kwp-import kwpctl kwp_lineservice_routines

rm -rf "$dir/packages"
(cd "$dir" && cpack -G DEB -B "$PWD/packages" >/dev/null)
rm -rf "$dir/packages/_CPack_Packages"
echo "Packages:"
ls -1 "$dir"/packages/*.deb

#!/usr/bin/env bash
# The Windows program: installs what is missing, cross-builds kwp-import.exe and kwpctl.exe
# with MinGW-w64 and packs the installer KWP-Import-<version>-win64.exe and a zip of the same
# folder into build-win/. Usage: scripts/windows.sh [test]
#   test   then runs the Windows programs under Wine against the demo ERP server
#          (tests/windows/run.sh), the installed ones included.
# The Windows builds of Qt, OpenSSL and SQLite: the prebuilt set in ../shared/windows/ (or the
# archive named by KWP_WINDOWS_SDK_ARCHIVE), unpacked once into a cache folder keyed by its
# sha256; without it, built here from Debian's source packages (about an hour on 2 cores).
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD

packages=(
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix nsis wine64 wine xvfb xdotool
  imagemagick qt6-translations-l10n locales fonts-wine qt6-base-dev qt6-base-dev-tools cmake ninja-build ccache
  xz-utils
)
source "$top/scripts/apt-packages.sh"
install_missing "${packages[@]}"

cache=${KWP_CACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/kwp-import}/windows-sdk
archive=${KWP_WINDOWS_SDK_ARCHIVE:-$top/../shared/windows/kwp-windows-sdk.tar.xz}
mkdir -p "$cache"
if [[ ! -f $archive ]]; then
  archive=$cache/kwp-windows-sdk.tar.xz
  if [[ ! -f $archive ]]; then
    echo "No prebuilt Windows libraries found: building Qt, OpenSSL and SQLite for Windows from"
    echo "Debian's source packages into $cache (about an hour on 2 cores)."
    bash scripts/build-windows-sdk.sh "$cache/work" "$archive.part"
    mv "$archive.part" "$archive"
    rm -rf "$cache/work"
  fi
fi
sha=$(sha256sum "$archive" | cut -d' ' -f1)
sdk=$cache/$sha
if [[ ! -d $sdk ]]; then
  echo "Unpacking the Windows libraries into $sdk"
  rm -rf "$sdk.part" && mkdir -p "$sdk.part"
  tar -xJf "$archive" -C "$sdk.part"
  mv "$sdk.part" "$sdk"
fi

flags=(-DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64.cmake" -DKWP_WINDOWS_SDK="$sdk"
       -DCMAKE_BUILD_TYPE=Release -DKWP_BUILD_BENCH=OFF -DKWP_BUILD_TESTS=ON)
if command -v ccache >/dev/null; then
  export CCACHE_BASEDIR=$top
  flags+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
echo "Building (Windows) in build-win/"
cmake -S . -B build-win -G Ninja "${flags[@]}" >/dev/null
cmake --build build-win -j "$(nproc)"
(cd build-win && cpack -C Release >/dev/null)
echo "Packed build-win/KWP-Import-*-win64.exe and .zip"

if [[ ${1:-} == test ]]; then
  bash tests/windows/run.sh
fi

#!/usr/bin/env bash
# Installs every package KWP-Import needs to build, run its demo and run its tests
# (Debian 12, as root). Safe to run again: apt-get skips what is already there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libqt6sql6-odbc qt6-translations-l10n
  libgl-dev fonts-dejavu-core
  fis-gtm libgcrypt20-dev libgpgme-dev libconfig-dev libssl-dev openssl
  unixodbc odbc-postgresql tdsodbc postgresql
  sqlite3 libsqlite3-dev util-linux procps clang-format
  file dpkg-dev librsvg2-bin ccache
)

source "$(dirname "$0")/apt-packages.sh"
install_missing "${packages[@]}"

# GT.M's TLS plugin, built from the sources the package ships (the line service's TLS).
source "$(dirname "$0")/../gateway/mumps/gtm-env.sh"
gtm_use_dist
if [[ ! -e $gtm_dist/plugin/libgtmtls.so ]]; then
  echo "Building GT.M's TLS plugin into $gtm_dist/plugin"
  work=$(mktemp -d)
  tar -xf "$gtm_dist/plugin/gtmcrypt/source.tar" -C "$work"
  make -C "$work" -s image=PRO libgtmtls.so maskpass >/dev/null
  cp "$work/libgtmtls.so" "$work/libgtmcryptutil.so" "$gtm_dist/plugin/"
  cp "$work/maskpass" "$gtm_dist/plugin/gtmcrypt/"
  rm -rf "$work"
fi

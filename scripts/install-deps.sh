#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the benchmarks need, only when missing.
set -euo pipefail
pkgs=(build-essential cmake ninja-build pkg-config qt6-base-dev libcurl4-openssl-dev libmspack-dev
  libgtest-dev pxlib-dev shapelib libshp-dev clang libclang-rt-14-dev sqlite3 python3 xvfb
  xauth imagemagick x11-utils qt6-svg-dev fonts-liberation2 python3-pyftpdlib tinyproxy curl)
# Web update: signatures (libsodium), and the tools the update tests make fixtures with.
pkgs+=(libsodium-dev zlib1g-dev gcab mscompress minisign)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO=sudo
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

#!/usr/bin/env bash
# Installs the Debian packages that are missing, in two sets:
#   install-deps.sh          what building and running the program need (`make run`)
#   install-deps.sh --test   that plus what the tests, the fuzzers, the peers of the
#                            interoperability tests and the benchmarks need (`make test`)
set -euo pipefail
# Qt Charts' CMake package needs Qt OpenGL's, which Debian ships apart from both.
build_run=(build-essential cmake ninja-build pkg-config qt6-base-dev qt6-svg-dev
  libcurl4-openssl-dev libmspack-dev libsodium-dev zlib1g-dev qt6-charts-dev libqt6opengl6-dev
  libxlsxwriter-dev)
# gtest: unit tests; clang + libclang-rt: fuzzers; pxlib, shapelib, sqlite3: peers the
# interoperability tests and benchmarks compare with; python3: test servers; xvfb, xauth,
# imagemagick, x11-utils, fonts: window tests and screenshots on a virtual display;
# desktop-file-utils, appstream: the metadata validators; dpkg-dev, file, lintian: the .deb;
# python3-openpyxl: reads the exported workbooks back.
test_only=(libgtest-dev pxlib-dev shapelib libshp-dev clang libclang-rt-14-dev sqlite3 python3
  xvfb xauth imagemagick x11-utils fonts-liberation2
  python3-pyftpdlib tinyproxy curl gcab mscompress minisign strace
  desktop-file-utils appstream dpkg-dev file lintian python3-openpyxl)

case "${1:-}" in
  "") pkgs=("${build_run[@]}") ;;
  --test) pkgs=("${build_run[@]}" "${test_only[@]}") ;;
  *)
    echo "usage: install-deps.sh [--test]" >&2
    exit 2
    ;;
esac

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

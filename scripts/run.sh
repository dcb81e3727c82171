#!/usr/bin/env bash
# `make run`: starts the program on the sample table; on a machine without a display it says
# so and runs the same kind of search headless through ledgerwake-cli.
# Usage: scripts/run.sh BUILD_DIR
set -euo pipefail
build="${1:-build}"
bin="$build/bin"
table="$bin/sample/sample.db"
if [ ! -f "$table" ]; then
  echo "run.sh: $table is missing; build the sample_data target first" >&2
  exit 1
fi
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x "$bin/ledgerwake" ]; then
  exec "$bin/ledgerwake"
fi
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "run.sh: no display (DISPLAY and WAYLAND_DISPLAY are unset), so no window;"
else
  echo "run.sh: $bin/ledgerwake was not built, so no window;"
fi
echo "running a sample search headless instead: states CA and NY, SIC codes 5*"
echo
"$bin/ledgerwake-cli" info "$table"
echo
# head closes the pipe early; the listing ending on SIGPIPE is expected.
{ "$bin/ledgerwake-cli" search --quiet --state CA --state NY --sic '5*' --list || true; } |
  cut -c1-110 | head -15

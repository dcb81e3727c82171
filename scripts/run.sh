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
# head closes the pipe after 15 lines, and the programs before it then end on SIGPIPE
# (status 141): that is the expected end of the listing; any other failure is not.
set +o pipefail
"$bin/ledgerwake-cli" search --quiet --state CA --state NY --sic '5*' --list |
  cut -c1-110 | head -15
statuses=("${PIPESTATUS[@]}")
set -o pipefail
for s in "${statuses[@]}"; do
  if [ "$s" -ne 0 ] && [ "$s" -ne 141 ]; then
    echo "run.sh: the sample search failed (status $s)" >&2
    exit 1
  fi
done

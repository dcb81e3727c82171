#!/usr/bin/env bash
# `make run` on a machine without a display: scripts/run.sh on a fresh copy of the programs
# and their sample data must end with status 0 and show the table and the first found rows.
# Usage: run_script_test.sh SOURCE_DIR BIN_DIR
set -euo pipefail
src="$1"
bin="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"
cp -a "$bin/ledgerwake-cli" "$bin/sample" "$bin/data" "$work/bin/"

fail() {
  echo "FAIL: $*" >&2
  echo "--- output ---" >&2
  cat "$work/out" >&2
  exit 1
}

# $1: what the case is; the rest: the environment run.sh gets.
check() {
  local what="$1"
  shift
  local status=0
  env -u DISPLAY -u WAYLAND_DISPLAY "$@" bash "$src/scripts/run.sh" "$work" >"$work/out" 2>&1 ||
    status=$?
  [ "$status" -eq 0 ] || fail "$what: exit status $status"
  grep -q "Records:     5000" "$work/out" || fail "$what: no table facts"
  grep -q '^Result,COMPANY,' "$work/out" || fail "$what: no listing header"
  # The listing is cut at 15 lines: the header and 14 found rows.
  [ "$(grep -c '^[0-9][0-9]*,' "$work/out")" -eq 14 ] || fail "$what: not 14 rows"
  if grep -q "Aborted\|Broken pipe" "$work/out"; then
    fail "$what: the cut listing was reported"
  fi
}

check "no display"
grep -q "no display" "$work/out" || fail "no display: not said"
check "display without the window program" DISPLAY=:99
grep -q "was not built" "$work/out" || fail "display without window: not said"
# The search ran on the copy, which kept nothing in its result table.
[ -f "$work/bin/lwconfig.ini" ] || fail "the copy wrote no user settings"
echo "run.sh headless: ok"

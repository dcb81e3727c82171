#!/usr/bin/env bash
# The end-to-end search in the program's window against the headless search of the command-
# line tool, on the same generated table with the same criteria, in the same run.
#
# The window is the real main window (lw-gui-driver presses Go and waits for "Total Records
# Found: "), on a virtual X display when Xvfb is installed and on Qt's offscreen platform
# otherwise. Reported per criteria set: both times (best of the runs), their ratio, and the
# longest stall of the window's thread during the search (the longest gap of a 5 ms timer).
#
# Usage: bench/gui/run.sh BUILD_DIR
# Environment:
#   LW_GUI_BENCH_RECORDS   records of the generated table (default 1000000)
#   LW_BENCH_RUNS          timed runs per measurement, best kept (default 3)
#   LW_GUI_BENCH_SETS      criteria sets to run (default "states+sic company state"); "none"
#                          copies every record, the heaviest case for the grid, and takes
#                          minutes on a million records
set -euo pipefail
build="${1:-build}"
records="${LW_GUI_BENCH_RECORDS:-1000000}"
runs="${LW_BENCH_RUNS:-3}"

cmake --build "$build" --target lw-gen ledgerwake-cli lw-gui-driver >/dev/null
bin="$(cd "$build/bin" && pwd)"
data="$(mkdir -p "$build/bench-data" && cd "$build/bench-data" && pwd)"
. "$(dirname "$0")/../timing.sh"

table="$data/listings-$records.db"
bench_table "$bin/lw-gen" "$table" "$records"
# A program directory of its own whose sample table is the generated one.
home="$data/gui-home-$records"
bench_home "$bin/lw-gen" "$home" "$table"

if command -v xvfb-run >/dev/null; then
  display="Xvfb"
  gui() { env -u QT_QPA_PLATFORMTHEME QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x900x24" \
    "$bin/lw-gui-driver" bench --home "$home" "$@"; }
else
  display="offscreen"
  gui() { QT_QPA_PLATFORM=offscreen "$bin/lw-gui-driver" bench --home "$home" "$@"; }
fi

min() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b < a) ? b : a }'; }
max() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b > a) ? b : a }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }

names=(${LW_GUI_BENCH_SETS:-states+sic company state})
declare -A criteria=(
  [states+sic]="--state NY --state CA --sic 50*"
  [company]="--company Ba*"
  [state]="--state CA"
  [none]=""
)

cat "$table" >/dev/null
printf '\nGUI search: %s records, window on %s, best of %s runs; ratio = window / headless\n' \
  "$records" "$display" "$runs"
printf '%-12s %9s %10s %10s %7s %16s\n' criteria found headless window ratio "longest stall ms"
for name in "${names[@]}"; do
  set -f
  # shellcheck disable=SC2206
  args=(${criteria[$name]})
  set +f
  cliBest="" guiBest="" stall="" found="" guiFound=""
  for _ in $(seq "$runs"); do
    out=$("$bin/ledgerwake-cli" search --home "$home" --quiet --time "${args[@]}" 2>&1)
    found=$(echo "$out" | sed -n 's/^Total Records Found: //p')
    cliBest=$(min "$cliBest" "$(echo "$out" | sed -n 's/^search seconds=//p')")
    line=$(gui "${args[@]}" 2>/dev/null | grep '^gui ')
    guiFound=$(echo "$line" | sed -n 's/.* found=\([0-9]*\).*/\1/p')
    guiBest=$(min "$guiBest" "$(echo "$line" | sed -n 's/.*seconds=\([0-9.]*\).*/\1/p')")
    stall=$(max "$stall" "$(echo "$line" | sed -n 's/.*longest_stall_ms=\([0-9]*\).*/\1/p')")
  done
  note=""
  [ "$found" = "$guiFound" ] || note="  (the window found $guiFound)"
  printf '%-12s %9s %10.3f %10.3f %7s %16s%s\n' "$name" "$found" "$cliBest" "$guiBest" \
    "$(ratio "$guiBest" "$cliBest")" "$stall" "$note"
done
echo "Aim: the window at most 1.2 times the headless search, and responsive throughout."

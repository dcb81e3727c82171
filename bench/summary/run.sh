#!/usr/bin/env bash
# The summary window's pass over a generated 1,000,000-record result table, headless, against
# sqlite3 counting the same rows by the same four columns (four GROUP BY queries), both in
# this run. The number of states counted is checked to agree.
# Usage: bench/summary/run.sh BUILD_DIR
# Environment:
#   LW_SUMMARY_BENCH_RECORDS  records of the table (default 1000000)
#   LW_BENCH_RUNS             timed runs per measurement, best kept (default 3)
# The table and its SQLite copy are those of bench/export (BUILD_DIR/bench-data).
set -euo pipefail
build="${1:-build}"
records="${LW_SUMMARY_BENCH_RECORDS:-1000000}"
runs="${LW_BENCH_RUNS:-3}"

cmake --build "$build" --target lw-gen ledgerwake-cli lw-summary-bench >/dev/null
gen="$(cd "$build/bin" && pwd)/lw-gen"
cli="$(cd "$build/bin" && pwd)/ledgerwake-cli"
bench="$(cd "$build/bench" && pwd)/lw-summary-bench"
data="$(mkdir -p "$build/bench-data" && cd "$build/bench-data" && pwd)"

. "$(dirname "$0")/../timing.sh"

table="$data/listings-$records.db"
bench_table "$gen" "$table" "$records"
sqlitedb="$data/listings-$records.sqlite"
if command -v sqlite3 >/dev/null; then bench_sqlite "$cli" "$table" "$sqlitedb"; fi
cat "$table" >/dev/null

lwBest="" line=""
for _ in $(seq "$runs"); do
  line=$("$bench" "$table")
  lwBest=$(min "$lwBest" "$(echo "$line" | sed -n 's/.*seconds=\([0-9.]*\).*/\1/p')")
done
lwStates=$(echo "$line" | sed -n 's/.*states=\([0-9]*\).*/\1/p')
sqlBest="" sqlStates=""
if [ -f "$sqlitedb.done" ]; then
  cat "$sqlitedb" >/dev/null
  for _ in $(seq "$runs"); do
    t0=$(now)
    sqlite3 "$sqlitedb" \
      'SELECT "STATE", COUNT(*) FROM listings GROUP BY 1 ORDER BY 2 DESC;
       SELECT "EMPLOYEES", COUNT(*) FROM listings GROUP BY 1 ORDER BY 2 DESC;
       SELECT "ANNUAL SALES", COUNT(*) FROM listings GROUP BY 1 ORDER BY 2 DESC;
       SELECT substr("SIC", 1, 2), COUNT(*) FROM listings GROUP BY 1 ORDER BY 2 DESC;' >/dev/null
    sqlBest=$(min "$sqlBest" "$(elapsed "$t0" "$(now)")")
  done
  sqlStates=$(sqlite3 "$sqlitedb" 'SELECT COUNT(DISTINCT "STATE") FROM listings;')
fi

printf '\nSummary of %s results (state, employees, sales, SIC group, positions), best of %s runs\n' \
  "$records" "$runs"
printf '%-52s %10s\n' "Measurement" "seconds"
printf '%-52s %10.3f   aim: below 2 s\n' "Ledgerwake summary (one pass, all four and the map)" "$lwBest"
if [ -n "$sqlBest" ]; then
  printf '%-52s %10.3f\n' "sqlite3, four GROUP BY queries (same rows)" "$sqlBest"
  printf 'Ledgerwake / sqlite3: %s (below 1 means faster than sqlite3)\n' \
    "$(ratio "$lwBest" "$sqlBest")"
  [ "$sqlStates" = "$lwStates" ] ||
    echo "WARNING: states counted differ (Ledgerwake $lwStates, sqlite3 $sqlStates)"
else
  echo "sqlite3: not available"
fi

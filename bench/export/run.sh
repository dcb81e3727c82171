#!/usr/bin/env bash
# The export's CSV writer on a generated 1,000,000-record listings table, headless, against
# sqlite3 writing the same rows from the same data as CSV (`sqlite3 -csv ... SELECT *`), both
# measured in this run; both outputs are checked to hold the same number of records.
# Usage: bench/export/run.sh BUILD_DIR
# Environment:
#   LW_EXPORT_BENCH_RECORDS   records of the table (default 1000000)
#   LW_BENCH_RUNS             timed runs per measurement, best kept (default 3)
# The table and its SQLite copy are built once and kept in BUILD_DIR/bench-data (shared with
# the other benchmarks).
set -euo pipefail
build="${1:-build}"
records="${LW_EXPORT_BENCH_RECORDS:-1000000}"
runs="${LW_BENCH_RUNS:-3}"

command -v sqlite3 >/dev/null || { echo "export bench: sqlite3 is not installed" >&2; exit 1; }
command -v python3 >/dev/null || { echo "export bench: python3 is not installed" >&2; exit 1; }
cmake --build "$build" --target lw-gen ledgerwake-cli lw-export-bench >/dev/null
gen="$(cd "$build/bin" && pwd)/lw-gen"
cli="$(cd "$build/bin" && pwd)/ledgerwake-cli"
bench="$(cd "$build/bench" && pwd)/lw-export-bench"
data="$(mkdir -p "$build/bench-data" && cd "$build/bench-data" && pwd)"

. "$(dirname "$0")/../timing.sh"
csvRecords() {  # records of a CSV file, header excluded, counted by Python's csv module
  python3 -c 'import csv, sys
with open(sys.argv[1], newline="", encoding="latin-1") as f:
    print(sum(1 for _ in csv.reader(f)) - 1)' "$1"
}

table="$data/listings-$records.db"
bench_table "$gen" "$table" "$records"
sqlitedb="$data/listings-$records.sqlite"
bench_sqlite "$cli" "$table" "$sqlitedb"

out="$data/export-test"
mkdir -p "$out"
cat "$table" "${table%.db}.mb" >/dev/null 2>&1 || true
cat "$sqlitedb" >/dev/null

lwBest="" lwBytes=""
for _ in $(seq "$runs"); do
  rm -f "$out/lw.csv"
  line=$("$bench" "$table" "$out/lw.csv")
  lwBest=$(min "$lwBest" "$(echo "$line" | sed -n 's/.*seconds=\([0-9.]*\).*/\1/p')")
  lwBytes=$(echo "$line" | sed -n 's/.*bytes=\([0-9]*\).*/\1/p')
done
sqlBest=""
for _ in $(seq "$runs"); do
  rm -f "$out/sqlite.csv"
  t0=$(now)
  sqlite3 -csv -header "$sqlitedb" "SELECT * FROM listings;" >"$out/sqlite.csv"
  sqlBest=$(min "$sqlBest" "$(elapsed "$t0" "$(now)")")
done
lwRows=$(csvRecords "$out/lw.csv")
sqlRows=$(csvRecords "$out/sqlite.csv")
sqlBytes=$(stat -c %s "$out/sqlite.csv")
rm -rf "$out"

printf '\nExport to CSV: %s records, best of %s runs, warm cache\n' "$records" "$runs"
printf '%-44s %10s %12s %9s\n' "Measurement" "seconds" "bytes" "records"
printf '%-44s %10.3f %12s %9s\n' "Ledgerwake export engine (CSV, all fields)" "$lwBest" "$lwBytes" "$lwRows"
printf '%-44s %10.3f %12s %9s\n' "sqlite3 -csv SELECT * (same rows)" "$sqlBest" "$sqlBytes" "$sqlRows"
printf 'Ledgerwake / sqlite3: %s (below 1 means faster than sqlite3)\n' "$(ratio "$lwBest" "$sqlBest")"
[ "$lwRows" = "$records" ] && [ "$sqlRows" = "$records" ] ||
  echo "WARNING: record counts differ (Ledgerwake $lwRows, sqlite3 $sqlRows, table $records)"

# The same rows as an Excel workbook (libxlsxwriter, constant-memory mode), one run: against
# the CSV above, with the process's peak memory, and the sheet's rows counted in the file.
mkdir -p "$out"
line=$("$bench" "$table" "$out/lw.xlsx" xlsx)
xlsxT=$(echo "$line" | sed -n 's/.*seconds=\([0-9.]*\).*/\1/p')
xlsxBytes=$(echo "$line" | sed -n 's/.*bytes=\([0-9]*\).*/\1/p')
xlsxRss=$(echo "$line" | sed -n 's/.*maxrss_kb=\([0-9]*\).*/\1/p')
xlsxRows=$(python3 -c 'import sys, zipfile
n, tail = 0, b""
with zipfile.ZipFile(sys.argv[1]).open("xl/worksheets/sheet1.xml") as f:
    while chunk := f.read(1 << 20):
        n += (tail + chunk).count(b"<row ") - tail.count(b"<row ")
        tail = chunk[-5:]
print(n - 1)' "$out/lw.xlsx")
rm -rf "$out"
printf '\nExport to an Excel workbook: %s records, one run, warm cache\n' "$records"
printf '%-44s %10s %12s %9s\n' "Measurement" "seconds" "bytes" "records"
printf '%-44s %10.3f %12s %9s\n' "Ledgerwake export engine (xlsx, all fields)" "$xlsxT" "$xlsxBytes" \
  "$xlsxRows"
printf 'Workbook / CSV: %s; peak memory %s MB; aim: below 10 s\n' "$(ratio "$xlsxT" "$lwBest")" \
  "$(awk -v k="$xlsxRss" 'BEGIN { printf "%.0f", k / 1024 }')"
[ "$xlsxRows" = "$records" ] || echo "WARNING: the workbook holds $xlsxRows records, the table $records"

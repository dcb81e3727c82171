#!/usr/bin/env bash
# `make bench`: scans, writes and orders a generated 1,000,000-record listings table and prints
# the engine's times against dd (the read limit) and pxlib (the peer), all measured in this run.
# Usage: bench/run.sh BUILD_DIR
# Environment:
#   LW_BENCH_RECORDS            records of the generated table (default 1000000)
#   LW_BENCH_PXLIB_WRITE        records pxlib writes (default 100000, its time extrapolated
#                               linearly to the whole table: pxlib needs about 1 ms per
#                               record here, and its time per record stayed flat from 25,000
#                               to 200,000 records); set it to the record count for a full run
#   LW_BENCH_RUNS               timed runs per read measurement, best kept (default 3)
set -euo pipefail
build="${1:-build}"
records="${LW_BENCH_RECORDS:-1000000}"
runs="${LW_BENCH_RUNS:-3}"
pxWrite="${LW_BENCH_PXLIB_WRITE:-100000}"
[ "$pxWrite" -le "$records" ] || pxWrite="$records"

cmake --build "$build" --target lw-gen lw-bench >/dev/null
havePx=0
if cmake --build "$build" --target px-bench >/dev/null 2>&1 && [ -x "$build/bench/px-bench" ]; then
  havePx=1
fi
gen="$build/bin/lw-gen"
lwb="$build/bench/lw-bench"
pxb="$build/bench/px-bench"

# The table is generated once and kept; a marker says it was finished.
data="$build/bench-data"
table="$data/listings-$records.db"
values="$data/listings-$records.lwv"
mkdir -p "$data"
. "$(dirname "$0")/timing.sh"   # aim(), bench_table(); the helpers below keep this report's own rounding
[ -f "$table.done" ] || rm -f "$values"   # the values come from the table: made again with it
bench_table "$gen" "$table" "$records"
if [ ! -f "$values" ]; then
  "$lwb" values "$table" "$values.tmp"
  mv "$values.tmp" "$values"
fi

now() { date +%s.%N; }
field() { sed -n "s/.*$1=\([0-9.]*\).*/\1/p"; }   # a key=value of a bench program's line
min() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b < a) ? b : a }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.1f", a / b; else print "-" }'; }

# Warm the page cache so that every read below is measured warm.
cat "$table" >/dev/null

ddBest=""
lwBest=""
lwSum=""
for _ in $(seq "$runs"); do
  t0=$(now)
  dd if="$table" of=/dev/null bs=1M status=none
  t1=$(now)
  ddBest=$(min "$ddBest" "$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.6f", b - a }')")
  line=$("$lwb" scan "$table")
  lwBest=$(min "$lwBest" "$(echo "$line" | field seconds)")
  lwSum=$(echo "$line" | field checksum)
done

pxRead="" pxSum=""
if [ "$havePx" = 1 ]; then
  line=$("$pxb" scan "$table")
  pxRead=$(echo "$line" | field seconds)
  pxSum=$(echo "$line" | field checksum)
fi

out="$data/write-test"
mkdir -p "$out"
rm -f "$out"/*
line=$("$lwb" write "$values" "$out/lw.db")
lwWrite=$(echo "$line" | field seconds)
pxWriteTime="" pxWriteNote=""
if [ "$havePx" = 1 ]; then
  # pxlib reports every blob it writes on stderr.
  line=$("$pxb" write "$values" "$out/px.db" "$pxWrite" 2>/dev/null)
  pxWritten=$(echo "$line" | field records)
  pxWriteTime=$(echo "$line" | field seconds)
  if [ "$pxWritten" != "$records" ]; then
    pxWriteTime=$(awk -v t="$pxWriteTime" -v n="$pxWritten" -v all="$records" \
      'BEGIN { printf "%.3f", t * all / n }')
    pxWriteNote="  (extrapolated from $pxWritten records; LW_BENCH_PXLIB_WRITE=$records measures all)"
  fi
fi
rm -rf "$out"

bytes=$(stat -L -c %s "$table")   # the table may be a link to a shared copy
printf '\nLedgerwake bench: %s records, %.1f MB (%s)\n' "$records" \
  "$(awk -v b="$bytes" 'BEGIN { print b / 1e6 }')" "$table"
echo "Reads are warm-cache: the file was read once before timing; dd and our scan are the"
echo "best of $runs runs, pxlib one run. The scan reads the text of positions"
echo "0, 2, 3, 4, 7, 8, 11, 12, 13, 14 of every record."
echo
printf '%-46s %10s   %s\n' "Measurement" "seconds" "ratio"
printf '%-46s %10.3f\n' "dd bs=1M (the read limit)" "$ddBest"
printf '%-46s %10.3f   %sx dd\n' "Ledgerwake scan (First/Next/Eof, FieldText)" "$lwBest" \
  "$(ratio "$lwBest" "$ddBest")"
aim "scan of ten fields / dd" "$(awk -v a="$lwBest" -v b="$ddBest" 'BEGIN { if (b > 0) print a / b }')" 1.5 x
if [ -n "$pxRead" ]; then
  printf '%-46s %10.3f   pxlib is %sx slower than Ledgerwake\n' \
    "pxlib scan (PX_get_record, PX_get_data_alpha)" "$pxRead" "$(ratio "$pxRead" "$lwBest")"
  if [ "$pxSum" = "$lwSum" ]; then
    echo "  (both scans read the same $lwSum bytes of text)"
  else
    echo "  WARNING: pxlib read $pxSum bytes of text, Ledgerwake $lwSum"
  fi
else
  echo "pxlib scan: pxlib not available"
fi
printf '%-46s %10.3f\n' "Ledgerwake write (Append, fields, Post)" "$lwWrite"
aim "write $records records" "$lwWrite" 1.5 s
if [ -n "$pxWriteTime" ]; then
  printf '%-46s %10.3f   pxlib is %sx slower than Ledgerwake%s\n' \
    "pxlib write (PX_put_data_*, PX_put_record)" "$pxWriteTime" \
    "$(ratio "$pxWriteTime" "$lwWrite")" "$pxWriteNote"
fi

# The grid's ordering by a bold title over every record: by a text and by a numeric column,
# against the same order built through a value per record and CompareValues.
echo
printf '%-46s %10s   %s\n' "Ordering $records results (title click)" "seconds" "ratio"
for column in COMPANY LATITUDE; do
  fast=$("$lwb" sort "$table" "$column")
  slow=$("$lwb" sort-values "$table" "$column")
  fastT=$(echo "$fast" | field seconds)
  slowT=$(echo "$slow" | field seconds)
  printf '%-46s %10.3f   %sx faster than a value per record\n' "Ledgerwake sort by $column" \
    "$fastT" "$(ratio "$slowT" "$fastT")"
  printf '%-46s %10.3f\n' "  value per record + CompareValues by $column" "$slowT"
  [ "$column" != COMPANY ] || aim "sort $records results by COMPANY" "$fastT" 0.5 s
  if [ "$(echo "$fast" | field checksum)" != "$(echo "$slow" | field checksum)" ]; then
    echo "  WARNING: the two orders disagree by $column"
  fi
done

# The other benchmarks: search, export (CSV and workbook), the summary and the window's
# end-to-end search, same build.
here=$(cd "$(dirname "$0")" && pwd)
for part in search export summary gui net update; do
  if [ -x "$here/$part/run.sh" ] || [ -f "$here/$part/run.sh" ]; then
    echo
    bash "$here/$part/run.sh" "$build" || echo "bench/$part failed (exit $?)"
  fi
done

# Timing helpers shared by the bench scripts (sourced, not run).
now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.6f", b - a }'; }
min() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b < a) ? b : a }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }

# One of the bench's aims beside the figure it is about, and the verdict:
#   aim "what" FIGURE LIMIT UNIT   (UNIT "s" for seconds, "x" for a ratio; lower is better)
# prints e.g. "  aim: scan <= 1.50x dd   now 1.62x   aim missed by 0.12x (8%)".
aim() {
  awk -v what="$1" -v v="$2" -v lim="$3" -v unit="$4" 'BEGIN {
    if (v == "" || v == "-") { printf "  aim: %s <= %.2f%s   no figure\n", what, lim, unit; exit }
    verdict = v <= lim ? "aim met" : sprintf("aim missed by %.2f%s (%.0f%%)", v - lim, unit, (v - lim) * 100 / lim)
    printf "  aim: %s <= %.2f%s   now %.2f%s   %s\n", what, lim, unit, v, unit, verdict
  }'
}

# The generated listings table TABLE of RECORDS records, made once by GEN and kept; a marker
# says it was finished. Fails, with lw-gen's message on stderr, when it cannot be made.
bench_table() {  # GEN TABLE RECORDS
  local gen="$1" table="$2" records="$3"
  [ -f "$table.done" ] && return 0
  echo "Generating $table ($records records, once)..." >&2
  rm -f "$table" "${table%.db}.mb" "$table.done"
  if ! "$gen" --records "$records" --out "$table"; then
    rm -f "$table" "${table%.db}.mb"
    return 1
  fi
  touch "$table.done"
}

# The same rows in SQLite at DB, loaded once from the command's CSV dump of TABLE.
bench_sqlite() {  # CLI TABLE DB
  local cli="$1" table="$2" db="$3" csv="${3%.sqlite}.csv"
  [ -f "$db.done" ] && return 0
  echo "Loading $db from the CSV dump (once)..." >&2
  rm -f "$db" "$db.done"
  "$cli" dump "$table" >"$csv"
  sqlite3 "$db" ".mode csv" ".import $csv listings"
  rm -f "$csv"
  touch "$db.done"
}

# A program directory HOME of its own, made once by GEN, whose sample table is TABLE.
bench_home() {  # GEN HOME TABLE
  local gen="$1" home="$2" table="$3"
  if [ ! -f "$home/setup.ini" ]; then
    rm -rf "$home"
    "$gen" --dir "$home" --records 0
  fi
  ln -sf "$table" "$home/sample/sample.db"
  if [ -f "${table%.db}.mb" ]; then ln -sf "${table%.db}.mb" "$home/sample/sample.mb"; fi
}

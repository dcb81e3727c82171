#!/usr/bin/env bash
# The headless search on generated listings tables, against reading the same bytes (dd) and
# against sqlite3 running the equivalent query over the same data, all measured in this run.
# The search writes every match into the result table, so sqlite3 writes the same rows into a
# new table (CREATE TABLE ... AS SELECT ... WHERE ..., in a database file of its own): that is
# the like-for-like peer and the ratio "vs-sqlite". How long sqlite3 takes only to count them
# is the second peer ("vs-count"). A posted record is in the page cache when Post returns (it
# survives the process, not the machine); sqlite3 is held to the same (synchronous=OFF) rather
# than timed waiting for the disk.
# Usage: bench/search/run.sh BUILD_DIR
# Environment:
#   LW_SEARCH_BENCH_SIZES   table sizes in records (default "1000000 2000000"; a Paradox table
#                           of these 431-byte records holds at most about 2.4 million, so
#                           10,000,000 is reported as not generated)
#   LW_BENCH_RUNS           timed runs per measurement, best kept (default 3)
#   LW_SEARCH_BENCH_COPY_MAX  largest table on which the no-criteria search (every record
#                           copied into the result table) is run, once (default 1000000)
# Tables, their CSV dumps and the SQLite copies are built once and kept in BUILD_DIR/bench-data.
set -euo pipefail
build="${1:-build}"
sizes="${LW_SEARCH_BENCH_SIZES:-1000000 2000000}"
runs="${LW_BENCH_RUNS:-3}"
copyMax="${LW_SEARCH_BENCH_COPY_MAX:-1000000}"

command -v sqlite3 >/dev/null || { echo "search bench: sqlite3 is not installed" >&2; exit 1; }
cmake --build "$build" --target lw-gen ledgerwake-cli >/dev/null
gen="$(cd "$build/bin" && pwd)/lw-gen"
cli="$(cd "$build/bin" && pwd)/ledgerwake-cli"
data="$(mkdir -p "$build/bench-data" && cd "$build/bench-data" && pwd)"

. "$(dirname "$0")/../timing.sh"

# The criteria sets: a name, the search's options, the SQL condition that selects the same rows.
# "no-match" reads every record and finds none: the scan alone, without the result table.
# LIKE is made case-sensitive below, so that 'ABC%' means "begins with ABC" byte for byte.
names=(none states+sic company zip5 no-match)
cliArgs=(
  ""
  "--state NY --state CA --sic 50*"
  "--company Ba*"
  "--zip 100*,112*,606*,900*,941*"
  "--company ~*"
)
sqlWhere=(
  ""
  "STATE IN ('CA','NY') AND (SIC LIKE '50%' OR \"SIC 2\" LIKE '50%' OR \"SIC 3\" LIKE '50%')"
  "COMPANY LIKE 'Ba%'"
  "(ZIP LIKE '100%' OR ZIP LIKE '112%' OR ZIP LIKE '606%' OR ZIP LIKE '900%' OR ZIP LIKE '941%')"
  "COMPANY LIKE '~%'"
)

optionRows=()
radiusRows=()
printf '\nSearch: %s runs each, best kept; ratios are search time / peer time (load average %s)\n' "$runs" "$(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-9s %-12s %9s %9s %9s %9s %9s %8s %9s %8s\n' records criteria found search dd \
  sqlite3 sql-count vs-dd vs-sqlite vs-count
for records in $sizes; do
  table="$data/listings-$records.db"
  if ! bench_table "$gen" "$table" "$records" 2>"$data/generate.err"; then
    # A Paradox table holds at most 65,535 blocks: large tables of wide records do not fit.
    printf '%-9s %s\n' "$records" "skipped: $(tail -n 1 "$data/generate.err")"
    continue
  fi
  # The program directory the search runs from: its sample table is the generated one.
  home="$data/search-home-$records"
  bench_home "$gen" "$home" "$table"
  # The same rows in SQLite, loaded from our CSV dump.
  sqlitedb="$data/listings-$records.sqlite"
  bench_sqlite "$cli" "$table" "$sqlitedb"

  cat "$table" >/dev/null
  ddBest=""
  for _ in $(seq "$runs"); do
    t0=$(now)
    dd if="$table" of=/dev/null bs=1M status=none
    ddBest=$(min "$ddBest" "$(elapsed "$t0" "$(now)")")
  done

  for i in "${!names[@]}"; do
    tries="$runs"
    if [ -z "${sqlWhere[$i]}" ]; then
      # Copying every record is dominated by the result table's append path: once is enough.
      tries=1
      if [ "$records" -gt "$copyMax" ]; then
        printf '%-9s %-12s skipped (above LW_SEARCH_BENCH_COPY_MAX=%s)\n' "$records" "${names[$i]}" "$copyMax"
        continue
      fi
    fi
    # shellcheck disable=SC2086
    set -f
    args=(${cliArgs[$i]})
    set +f
    lwBest="" found=""
    for _ in $(seq "$tries"); do
      out=$("$cli" search --home "$home" --quiet --time "${args[@]}" 2>&1)
      found=$(echo "$out" | sed -n 's/^Total Records Found: //p')
      lwBest=$(min "$lwBest" "$(echo "$out" | sed -n 's/^search seconds=//p')")
    done

    # sqlite3 writing the matched rows into a new table, as the search writes its result table.
    where=""
    [ -z "${sqlWhere[$i]}" ] || where=" WHERE ${sqlWhere[$i]}"
    copy="$data/search-copy.sqlite"
    sqlBest="" sqlCount=""
    for _ in $(seq "$tries"); do
      rm -f "$copy"
      t0=$(now)
      sqlite3 "$sqlitedb" "PRAGMA case_sensitive_like=ON;" "ATTACH '$copy' AS c;" \
        "PRAGMA c.synchronous=OFF;" "CREATE TABLE c.copied AS SELECT * FROM listings$where;"
      t1=$(now)
      sqlBest=$(min "$sqlBest" "$(elapsed "$t0" "$t1")")
      sqlCount=$(sqlite3 "$copy" "SELECT count(*) FROM copied;")
    done
    rm -f "$copy"
    # And only counting them.
    countBest=""
    for _ in $(seq "$tries"); do
      t0=$(now)
      sqlite3 "$sqlitedb" "PRAGMA case_sensitive_like=ON;" "SELECT count(*) FROM listings$where;" >/dev/null
      t1=$(now)
      countBest=$(min "$countBest" "$(elapsed "$t0" "$t1")")
    done
    note=""
    [ "$found" = "$sqlCount" ] || note="  (sqlite3 found $sqlCount)"
    printf '%-9s %-12s %9s %9.3f %9.3f %9.3f %9.3f %8s %9s %8s%s\n' "$records" "${names[$i]}" \
      "$found" "$lwBest" "$ddBest" "$sqlBest" "$countBest" "$(ratio "$lwBest" "$ddBest")" \
      "$(ratio "$lwBest" "$sqlBest")" "$(ratio "$lwBest" "$countBest")" "$note"
    case ${names[$i]} in
      none) aim "search with no criteria / sqlite3 CTAS" "$(ratio "$lwBest" "$sqlBest")" 1.0 x ;;
      zip5) aim "search, five zip prefixes / dd" "$(ratio "$lwBest" "$ddBest")" 2.0 x ;;
    esac
  done

  # The match options against the classic matcher, the same search with the options off and
  # on (each alone and both), measured one after the other so that both see the same cache.
  for i in "${!names[@]}"; do
    case ${names[$i]} in company | no-match) ;; *) continue ;; esac
    set -f
    args=(${cliArgs[$i]})
    set +f
    for opts in "--ignore-case" "--wildcards" "--ignore-case --wildcards"; do
      offBest="" onBest=""
      for _ in $(seq "$runs"); do
        out=$("$cli" search --home "$home" --quiet --time "${args[@]}" 2>&1)
        offBest=$(min "$offBest" "$(echo "$out" | sed -n 's/^search seconds=//p')")
        # shellcheck disable=SC2086
        out=$("$cli" search --home "$home" --quiet --time "${args[@]}" $opts 2>&1)
        onBest=$(min "$onBest" "$(echo "$out" | sed -n 's/^search seconds=//p')")
      done
      optionRows+=("$(printf '%-9s %-12s %-26s %9.3f %9.3f %8s %6s' "$records" "${names[$i]}" \
        "$opts" "$offBest" "$onBest" "$(ratio "$onBest" "$offBest")" "1.30")")
    done
  done

  # The radius against the no-match scan, one after the other: around a zip (its centre found
  # by a pass of its own) and around a position (no such pass); the small radius finds few
  # records, so that the distance test shows without the copying of thousands of matches.
  for radius in "60614 25" "41.92,-87.65 25" "41.92,-87.65 2"; do
    near=${radius% *} miles=${radius#* }
    radiusBest="" scanBest="" found=""
    for _ in $(seq "$runs"); do
      out=$("$cli" search --home "$home" --quiet --time --company "~*" 2>&1)
      scanBest=$(min "$scanBest" "$(echo "$out" | sed -n 's/^search seconds=//p')")
      out=$("$cli" search --home "$home" --quiet --time --near "$near" --miles "$miles" 2>&1)
      radiusBest=$(min "$radiusBest" "$(echo "$out" | sed -n 's/^search seconds=//p')")
      found=$(echo "$out" | sed -n 's/^Total Records Found: //p')
    done
    r=$(ratio "$radiusBest" "$scanBest")
    verdict=$(awk -v r="$r" 'BEGIN { print (r != "-" && r <= 1.5) ? "within the aim" : "ABOVE the aim" }')
    radiusRows+=("$(printf '%-9s %-30s %9s %9.3f %9.3f %8s  %s' "$records" "--near $near --miles $miles" \
      "$found" "$radiusBest" "$scanBest" "$r" "$verdict")")
  done
done

printf '\nRadius search: its time / the no-match search'"'"'s (aim: at most 1.50)\n'
printf '%-9s %-30s %9s %9s %9s %8s\n' records criteria found radius no-match ratio
for row in "${radiusRows[@]}"; do echo "$row"; done

printf '\nMatch options: the search time with the options on / off (limit 1.30)\n'
printf '%-9s %-12s %-26s %9s %9s %8s %6s\n' records criteria options off on on/off limit
for row in "${optionRows[@]}"; do echo "$row"; done

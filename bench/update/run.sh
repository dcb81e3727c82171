#!/usr/bin/env bash
# The update engine against the tools a user would otherwise run, side by side in one run:
# a 200 MB download from a loopback server (our HTTP test server) against curl -o, and the
# extraction of a 200 MB cabinet against gcab -x. Best of LW_BENCH_RUNS runs (default 3).
# Usage: bench/update/run.sh BUILD_DIR
set -euo pipefail
build="${1:-build}"
runs="${LW_BENCH_RUNS:-3}"
mb="${LW_BENCH_UPDATE_MB:-200}"
root=$(cd "$(dirname "$0")/../.." && pwd)
cmake --build "$build" --target update-bench >/dev/null
ub="$build/bench/update-bench"
work=$(mktemp -d)
server=""
cleanup() {
  [ -n "$server" ] && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# Text-like data (base64 of random bytes): it compresses about as well as program files.
mkdir -p "$work/srv" "$work/src"
head -c $((mb * 1024 * 1024 * 3 / 4)) /dev/urandom | base64 -w 76 >"$work/srv/update.bin"
truncate -s $((mb * 1024 * 1024)) "$work/srv/update.bin"
/usr/bin/python3 "$root/tests/servers/http_server.py" "$work/srv" >"$work/port" &
server=$!
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.1; done
port=$(awk '{print $2}' "$work/port")
url="http://127.0.0.1:$port/files/update.bin"

min() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b < a) ? b : a }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }
# Runs a command and prints "wall cpu" seconds (cpu: user + system of the command).
measure() {
  local TIMEFORMAT='%R %U %S' t
  t=$( { time "$@" >/dev/null 2>&1; } 2>&1 )
  awk '{ printf "%.3f %.3f", $1, $2 + $3 }' <<<"$t"
}
best() { # best wall and best cpu of the "wall cpu" pairs on stdin
  awk 'NR == 1 || $1 < w { w = $1 } NR == 1 || $2 < c { c = $2 } END { printf "%.3f %.3f", w, c }'
}

curlRuns="" lwRuns="" syncRuns=""
for _ in $(seq "$runs"); do
  rm -rf "$work/dl" && mkdir -p "$work/dl"
  curlRuns+="$(measure curl -s -o "$work/dl/curl.bin" "$url")"$'\n'
  # curl does not flush the file to the disk; the engine does before it renames it into place.
  syncRuns+="$(measure sh -c "curl -s -o '$work/dl/curl2.bin' '$url' && sync '$work/dl/curl2.bin'")"$'\n'
  lwRuns+="$(measure "$ub" download "$url" "$work/dl")"$'\n'
  cmp -s "$work/dl/update.bin" "$work/srv/update.bin" || echo "WARNING: the engine's download differs"
done
read -r curlWall curlCpu <<<"$(printf '%s' "$curlRuns" | best)"
read -r syncWall syncCpu <<<"$(printf '%s' "$syncRuns" | best)"
read -r lwWall lwCpu <<<"$(printf '%s' "$lwRuns" | best)"
kill "$server" 2>/dev/null; wait "$server" 2>/dev/null || true; server=""

(cd "$work/srv" && gcab -c -z "$work/src/update.cab" update.bin)
rm -f "$work/srv/update.bin"
gcabRuns="" cabRuns=""
for _ in $(seq "$runs"); do
  rm -rf "$work/x1" "$work/x2" && mkdir -p "$work/x1" "$work/x2"
  gcabRuns+="$(cd "$work/x1" && measure gcab -x "$work/src/update.cab")"$'\n'
  cabRuns+="$(measure "$ub" cab "$work/src/update.cab" "$work/x2")"$'\n'
  cmp -s "$work/x1/update.bin" "$work/x2/update.bin" || echo "WARNING: the extractions differ"
done
read -r gcabWall gcabCpu <<<"$(printf '%s' "$gcabRuns" | best)"
read -r cabWall cabCpu <<<"$(printf '%s' "$cabRuns" | best)"

printf '\nUpdate bench: a %s MB file, best of %s runs, whole programs timed\n' "$mb" "$runs"
echo "(cpu = user + system seconds; on a loaded machine it is the steadier of the two)"
printf '%-42s %8s %8s   %s\n' "Measurement" "wall" "cpu" "ratio wall / cpu"
printf '%-42s %8.3f %8.3f\n' "curl -o (loopback HTTP)" "$curlWall" "$curlCpu"
printf '%-42s %8.3f %8.3f\n' "curl -o, then sync of the file" "$syncWall" "$syncCpu"
printf '%-42s %8.3f %8.3f   %sx / %sx curl (aim: 1.1)\n' "engine download (URLGetFile)" \
  "$lwWall" "$lwCpu" "$(ratio "$lwWall" "$curlWall")" "$(ratio "$lwCpu" "$curlCpu")"
printf '%-42s %8.3f %8.3f\n' "gcab -x (MSZIP cabinet)" "$gcabWall" "$gcabCpu"
printf '%-42s %8.3f %8.3f   %sx / %sx gcab (aim: 1.2)\n' "engine cabinet extraction (CabExtract)" \
  "$cabWall" "$cabCpu" "$(ratio "$cabWall" "$gcabWall")" "$(ratio "$cabCpu" "$gcabCpu")"

#!/usr/bin/env bash
# The transfer client against curl: both download the same file from the same loopback HTTP
# server (tests/servers/http_server.py) in this run, best of the runs each; then the same
# download inside a shown window whose pump processes its events, with the window's longest
# stall (the longest gap of a 5 ms timer).
#
# Usage: bench/net/run.sh BUILD_DIR
# Environment:
#   LW_NET_BENCH_MB   size of the file in MB (default 200)
#   LW_BENCH_RUNS     timed runs per measurement, best kept (default 3)
set -euo pipefail
build="${1:-build}"
mb="${LW_NET_BENCH_MB:-200}"
runs="${LW_BENCH_RUNS:-3}"
root=$(cd "$(dirname "$0")/../.." && pwd)

cmake --build "$build" --target lw-net-bench >/dev/null
bench="$(cd "$build/bench" && pwd)/lw-net-bench"
data="$(mkdir -p "$build/bench-data" && cd "$build/bench-data" && pwd)"
files="$data/net-files"
out="$data/net-out"
mkdir -p "$files" "$out"
file="$files/download-$mb.bin"
if [ ! -f "$file" ]; then
  head -c "$((mb * 1000 * 1000))" /dev/urandom >"$file.tmp"
  mv "$file.tmp" "$file"
fi
cat "$file" >/dev/null

portFile=$(mktemp)
/usr/bin/python3 "$root/tests/servers/http_server.py" "$files" >"$portFile" &
server=$!
trap 'kill "$server" 2>/dev/null || true; rm -f "$portFile"; rm -rf "$out"' EXIT
for _ in $(seq 100); do
  grep -q '^PORT ' "$portFile" && break
  sleep 0.05
done
port=$(sed -n 's/^PORT //p' "$portFile")
url="http://127.0.0.1:$port/files/$(basename "$file")"

now() { date +%s.%N; }
min() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b < a) ? b : a }'; }
max() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b > a) ? b : a }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }

if command -v xvfb-run >/dev/null; then
  display="Xvfb"
  windowed() { env -u QT_QPA_PLATFORMTHEME QT_QPA_PLATFORM=xcb xvfb-run -a \
    -s "-screen 0 1280x900x24" "$bench" window "$@"; }
else
  display="offscreen"
  windowed() { QT_QPA_PLATFORM=offscreen "$bench" window "$@"; }
fi

curlBest="" lwBest="" winBest="" stall=""
for _ in $(seq "$runs"); do
  rm -f "$out"/*
  t0=$(now)
  curl -s -f -o "$out/curl.bin" "$url"
  t1=$(now)
  curlBest=$(min "$curlBest" "$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.6f", b - a }')")
  rm -f "$out"/*
  line=$("$bench" get "$url" "$out/lw.bin")
  lwBest=$(min "$lwBest" "$(echo "$line" | sed -n 's/.*seconds=\([0-9.]*\).*/\1/p')")
  cmp -s "$file" "$out/lw.bin" || { echo "bench/net: the downloaded file differs" >&2; exit 1; }
  rm -f "$out"/*
  line=$(windowed "$url" "$out/win.bin" 2>/dev/null | grep '^net ')
  winBest=$(min "$winBest" "$(echo "$line" | sed -n 's/.*seconds=\([0-9.]*\).*/\1/p')")
  stall=$(max "$stall" "$(echo "$line" | sed -n 's/.*longest_stall_ms=\([0-9.]*\).*/\1/p')")
done

printf '\nDownload: %s MB from a loopback http.server, best of %s runs (window on %s)\n' \
  "$mb" "$runs" "$display"
printf '%-52s %10s   %s\n' "Measurement" "seconds" "ratio"
printf '%-52s %10.3f\n' "curl -o (the peer)" "$curlBest"
printf '%-52s %10.3f   %sx curl\n' "Ledgerwake transfer, headless (temp file, sync, rename)" \
  "$lwBest" "$(ratio "$lwBest" "$curlBest")"
printf '%-52s %10.3f   %sx curl\n' "Ledgerwake transfer in a window (pump, progress)" \
  "$winBest" "$(ratio "$winBest" "$curlBest")"
printf '%-52s %10s\n' "longest window stall during the download, ms" "$stall"

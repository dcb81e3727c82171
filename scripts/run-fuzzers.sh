#!/usr/bin/env bash
# Runs every fuzz target for a short bounded time over its seed corpus; fails on a crash.
set -euo pipefail
build=$(cd "$1" && pwd)
secs=${FUZZ_SECONDS:-20}
root=$(cd "$(dirname "$0")/.." && pwd)
shopt -s nullglob
for exe in "$build"/tests/fuzz/fuzz_*; do
  [ -x "$exe" ] || continue
  name=$(basename "$exe")
  work=$(mktemp -d)
  seeds="$root/tests/fuzz/seeds/$name"
  [ -d "$seeds" ] && cp -r "$seeds"/. "$work"/ 2>/dev/null || true
  echo "fuzz: $name for ${secs}s"
  (cd "$work" && "$exe" -max_total_time="$secs" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=0 "$work" >"$work/log" 2>&1) || { cat "$work/log" | tail -40; exit 1; }
  rm -rf "$work"
done

#!/usr/bin/env bash
# `make run`: until the program window exists, show the sample table through the CLI.
# Usage: scripts/run.sh BUILD_DIR
set -euo pipefail
build="${1:-build}"
bin="$build/bin"
table="$bin/sample/sample.db"
if [ ! -f "$table" ]; then
  echo "run.sh: $table is missing; build the sample_data target first" >&2
  exit 1
fi
"$bin/ledgerwake-cli" info "$table"
echo
echo "First records of $table:"
# head closes the pipe early; the dump ending on SIGPIPE is expected.
{ "$bin/ledgerwake-cli" dump "$table" || true; } | head -20

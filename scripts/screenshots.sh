#!/usr/bin/env bash
# Screenshots for docs/: the main window after a search on the sample data, the record view,
# the About window, the news window (fetched from a loopback HTTP server started here) and
# the proxy dialog, the summary of the whole sample (bars and map), and the pages of the update wizard, taken on a virtual X display (Xvfb) with ImageMagick's `import`.
# Usage: scripts/screenshots.sh BUILD_DIR [OUT_DIR]
set -euo pipefail
build="${1:-build}"
out="${2:-docs}"
for tool in xvfb-run import; do
  command -v "$tool" >/dev/null || { echo "screenshots: $tool is not installed" >&2; exit 1; }
done
cmake --build "$build" --target lw-gui-driver lw-gen >/dev/null
home="$(mktemp -d)"
news="$(mktemp -d)"
server=""
server_pid=""
trap 'rm -rf "$home" "$news"; for p in $server $server_pid; do kill "$p" 2>/dev/null || true; done' EXIT
"$build/bin/lw-gen" --dir "$home"

# The news comes from our test HTTP server on 127.0.0.1; the setup file points at it.
root=$(cd "$(dirname "$0")/.." && pwd)
cp "$root/scripts/screenshot-news.inf" "$news/lwnews.inf"
/usr/bin/python3 "$root/tests/servers/http_server.py" "$news" >"$news/port" &
server=$!
for _ in $(seq 100); do
  grep -q '^PORT ' "$news/port" && break
  sleep 0.05
done
port=$(sed -n 's/^PORT //p' "$news/port")
sed -i "s|^file=lwnews.inf|url=http://127.0.0.1:$port/files/lwnews.inf\r\nfile=$home/lwnews.inf|" \
  "$home/setup.ini"
mkdir -p "$out"
# The user's own desktop settings play no part: a fixed screen, 96 dpi, no platform theme.
env -u QT_QPA_PLATFORMTHEME -u QT_STYLE_OVERRIDE QT_QPA_PLATFORM=xcb \
  xvfb-run -a -s "-screen 0 1280x900x24 -dpi 96" \
  "$build/bin/lw-gui-driver" screenshots --home "$home" --out "$out" --news on \
  --sic '5*' --state CA --state NY
kill "$server" 2>/dev/null || true
server=""

# The update wizard, page by page, against our HTTP server on 127.0.0.1 (stopped by its PID):
# three offered updates, all chosen; the last one trickles in so that the download page is
# caught midway. Nothing is installed: the files land in a scratch directory.
updates="$home/update-root"
mkdir -p "$updates" "$home/update-target"
head -c 60000 /dev/zero >"$updates/manual.pdf"
head -c 2000 /dev/zero >"$updates/states.db"
head -c 120000 /dev/zero >"$updates/sample.db"
coproc SERVER { exec /usr/bin/python3 "$root/tests/servers/http_server.py" "$updates"; }
server_pid=$SERVER_PID
read -r -t 15 line <&"${SERVER[0]}"
base="http://127.0.0.1:${line#PORT }"
cat >"$updates/u.inf" <<INF
[update]
[files]
count=3
[file1]
descr=User manual;The manual as a PDF file.%CR%Replaces the one installed with the program.
url=$base/files/manual.pdf
targetdir=$home/update-target/
[file2]
descr=State table;Adds the latest state and territory codes.
url=$base/files/states.db
targetdir=$home/update-target/
[file3]
descr=Sample data;A fresh sample table of business listings.
url=$base/drip/15/sample.db
targetdir=$home/update-target/
INF
env -u QT_QPA_PLATFORMTHEME -u QT_STYLE_OVERRIDE QT_QPA_PLATFORM=xcb TMPDIR="$home" \
  XDG_CONFIG_HOME="$home/config" xvfb-run -a -s "-screen 0 1280x900x24 -dpi 96" \
  "$build/bin/lw-gui-driver" update --home "$home" --url "$base/files/u.inf" --out "$out"

#!/usr/bin/env bash
# Screenshots for docs/: the main window after a search on the sample data, the record view
# and the About window, taken on a virtual X display (Xvfb) with ImageMagick's `import`.
# Usage: scripts/screenshots.sh BUILD_DIR [OUT_DIR]
set -euo pipefail
build="${1:-build}"
out="${2:-docs}"
for tool in xvfb-run import; do
  command -v "$tool" >/dev/null || { echo "screenshots: $tool is not installed" >&2; exit 1; }
done
cmake --build "$build" --target lw-gui-driver lw-gen >/dev/null
home="$(mktemp -d)"
trap 'rm -rf "$home"' EXIT
"$build/bin/lw-gen" --dir "$home"
mkdir -p "$out"
# The user's own desktop settings play no part: a fixed screen, 96 dpi, no platform theme.
env -u QT_QPA_PLATFORMTHEME -u QT_STYLE_OVERRIDE QT_QPA_PLATFORM=xcb \
  xvfb-run -a -s "-screen 0 1280x900x24 -dpi 96" \
  "$build/bin/lw-gui-driver" screenshots --home "$home" --out "$out" \
  --sic '5*' --state CA --state NY

# The update wizard, page by page, against our HTTP server on 127.0.0.1 (stopped by its PID):
# three offered updates, all chosen; the last one trickles in so that the download page is
# caught midway. Nothing is installed: the files land in a scratch directory.
root="$home/update-root"
mkdir -p "$root" "$home/update-target"
head -c 60000 /dev/zero >"$root/manual.pdf"
head -c 2000 /dev/zero >"$root/states.db"
head -c 120000 /dev/zero >"$root/sample.db"
coproc SERVER { exec /usr/bin/python3 "$(dirname "$0")/../tests/servers/http_server.py" "$root"; }
server_pid=$SERVER_PID
trap 'kill "$server_pid" 2>/dev/null || true; rm -rf "$home"' EXIT
read -r -t 15 line <&"${SERVER[0]}"
base="http://127.0.0.1:${line#PORT }"
cat >"$root/u.inf" <<INF
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

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

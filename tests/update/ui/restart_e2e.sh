#!/usr/bin/env bash
# End to end, on a virtual X display: the main window's Updates offers a new build of the
# running program from our HTTP server on 127.0.0.1; it is chosen, downloaded and Finish is
# pressed. The program closes, the updater puts the new file in place and starts the program
# again, whose About window then shows the new version.
#
# Usage (under xvfb-run): restart_e2e.sh DRIVER UPD LW_GEN SERVERS_DIR
# The program is the window driver (lw-gui-driver: the real main window and wizard, driven
# from inside); the new build is the same file with a higher FileVersion in its version block.
set -euo pipefail
driver="$1" upd="$2" gen="$3" servers="$4"
work="$(mktemp -d)"
server_pid=""
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
  # The restarted program ends by itself once it wrote its version; give it the chance.
  sleep 1
  rm -rf "$work"
}
trap cleanup EXIT
prog="$work/prog" root="$work/root"
mkdir -p "$prog" "$root" "$work/tmp" "$work/config"
export TMPDIR="$work/tmp" XDG_CONFIG_HOME="$work/config"
"$gen" --dir "$prog" >/dev/null
cp "$driver" "$prog/lw-gui-driver"
cp "$upd" "$prog/upd"
old_version="$(grep -aoE 'FileVersion.[0-9]+\.[0-9]+\.[0-9]+\.[0-9]+' "$prog/lw-gui-driver" |
  head -1 | cut -c13-)"
[ -n "$old_version" ] || { echo "no version block in the driver" >&2; exit 1; }
new_version="${old_version%.*}.9"
[ "$new_version" != "$old_version" ] || new_version="${old_version%.*}.8"
python3 - "$prog/lw-gui-driver" "$root/lw-gui-driver_new" "$old_version" "$new_version" <<'PY'
import sys
src, dst, old, new = sys.argv[1:]
data = open(src, "rb").read()
marker = b"FileVersion\0" + old.encode() + b"\0"
assert len(old) == len(new) and data.count(marker) >= 1
open(dst, "wb").write(data.replace(marker, b"FileVersion\0" + new.encode() + b"\0", 1))
PY

coproc SERVER { exec /usr/bin/python3 "$servers/http_server.py" "$root"; }
server_pid=$SERVER_PID
read -r -t 15 line <&"${SERVER[0]}"
port="${line#PORT }"
[ -n "$port" ] && [ "$port" != "$line" ] || { echo "the HTTP server did not start" >&2; exit 1; }
base="http://127.0.0.1:$port/files"
cat >"$root/u.inf" <<INF
[update]
[application]
appupdate=1
appname=$prog/lw-gui-driver version --home $prog --out $work/after.txt
appcomps=$prog/lw-gui-driver_new
[files]
count=1
[file1]
descr=Ledgerwake $new_version;The program itself
url=$base/lw-gui-driver_new
targetdir=$prog/
INF

# The maker's signature: a control file that replaces the program must be signed.
minisign -G -W -p "$work/k.pub" -s "$work/k.sec" >/dev/null
minisign -S -s "$work/k.sec" -m "$root/u.inf" >/dev/null
"$prog/lw-gui-driver" update --home "$prog" --url "$base/u.inf" --key "$(sed -n 2p "$work/k.pub")"
echo "the program closed; waiting for the updater to start it again"
for _ in $(seq 1 300); do
  [ -s "$work/after.txt" ] && break
  sleep 0.1
done
echo "updater log:"; cat "$TMPDIR/upd.log" 2>/dev/null || true
[ -s "$work/after.txt" ] || { echo "the program was not started again" >&2; exit 1; }
echo "restarted program: $(cat "$work/after.txt")"
grep -q "Version: $new_version" "$work/after.txt" || { echo "expected $new_version" >&2; exit 1; }
cmp -s "$prog/lw-gui-driver" "$root/lw-gui-driver_new" || { echo "file not replaced" >&2; exit 1; }
[ ! -e "$prog/lw-gui-driver_new" ] || { echo "the new file was left beside" >&2; exit 1; }
echo "PASS: updated from $old_version to $new_version and restarted"

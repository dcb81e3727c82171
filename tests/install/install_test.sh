#!/usr/bin/env bash
# The packages as a user meets them. Makes the .deb and the portable archive from the build
# tree, checks that `cmake --install` gives the .deb's tree, unpacks the .deb into a scratch
# root (dpkg-deb -x), points its setup file's news address at a local server (as a site's
# administrator would) and, as a user who cannot write that root (another uid through setpriv
# when run as root, else a read-only tree), runs the command-line tool and the main window
# (offscreen) from it: the version with its layout, a search with an export, a search in the
# window with its record view and news window, the news on the command line, and an update
# of the program directory, which both the command and the wizard leave to the package
# manager. Then checks that nothing was written outside the user's XDG directories and the
# export's own folder, and that the portable archive keeps everything beside its programs.
# lintian --pedantic has nothing to say about the .deb. What the user runs is copied into the
# scratch directory first: the build tree may lie in a directory only its owner can enter.
#
# Usage: install_test.sh BUILD_DIR GUI_DRIVER SERVERS_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
driver=$(realpath "$2")
servers=$(realpath "$3")

fail() {
  echo "FAIL: $*" >&2
  exit 1
}
skip() {
  echo "SKIP: $*" >&2
  exit 77
}

scratch=$(mktemp -d "${TMPDIR:-/tmp}/lw-install-XXXXXX")
server_pid=""
cleanup() {
  [ -z "$server_pid" ] || kill "$server_pid" 2>/dev/null || true
  chmod -R u+w "$scratch" 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT
chmod 755 "$scratch"

# --- the packages, from this build tree ---
if ! cpack --config "$build/CPackConfig.cmake" -G "DEB;TGZ" -B "$scratch/pkg" >"$scratch/cpack.log" 2>&1; then
  cat "$scratch/cpack.log" >&2
  fail "cpack"
fi
deb=$(ls "$scratch"/pkg/*.deb)
tgz=$(ls "$scratch"/pkg/*.tar.gz)
depends=$(dpkg-deb -f "$deb" Depends)
# dpkg-shlibdeps finds them from the linked libraries: the charts and the workbook writer too.
for lib in libqt6widgets6 libqt6charts6 libxlsxwriter4 libc6; do
  [[ $depends == *"$lib"* ]] || fail "Depends lacks $lib: $depends"
done

root=$scratch/root
dpkg-deb -x "$deb" "$root"
# A plain `cmake --install` into a prefix installs the same files.
cmake --install "$build" --prefix "$scratch/prefix" --component installed >/dev/null
diff <(cd "$root/usr" && find . -type f | sort) <(cd "$scratch/prefix" && find . -type f | sort) ||
  fail "cmake --install and the .deb install different files"
rm -rf "$scratch/prefix"
for f in bin/ledgerwake bin/ledgerwake-cli libexec/ledgerwake/upd share/ledgerwake/setup.ini \
  share/ledgerwake/sample/sample.db share/ledgerwake/data/swap.db \
  share/ledgerwake/defaults/lwconfig.ini \
  share/applications/ledgerwake.desktop share/icons/hicolor/scalable/apps/ledgerwake.svg \
  share/icons/hicolor/48x48/apps/ledgerwake.png share/icons/hicolor/256x256/apps/ledgerwake.png \
  share/metainfo/com.talvern.ledgerwake.metainfo.xml share/man/man1/ledgerwake.1.gz \
  share/man/man1/ledgerwake-cli.1.gz share/bash-completion/completions/ledgerwake-cli; do
  [ -e "$root/usr/$f" ] || fail "the .deb lacks /usr/$f"
done
[ ! -e "$root/usr/bin/lwconfig.ini" ] || fail "the .deb carries a user settings file"
desktop-file-validate "$root/usr/share/applications/ledgerwake.desktop"
appstreamcli validate --no-net "$root/usr/share/metainfo/com.talvern.ledgerwake.metainfo.xml" >/dev/null
bash -n "$root/usr/share/bash-completion/completions/ledgerwake-cli"

# --- a local server with the news and an update of the program itself ---
web=$scratch/web
mkdir -p "$web"
printf 'Products\r\n\tNew release;notes.txt\r\n' >"$web/lwnews.inf"
printf 'new program' >"$web/ledgerwake"
coproc SERVER { exec python3 "$servers/http_server.py" "$web"; }
server_pid=$SERVER_PID
line=""
read -r -t 15 line <&"${SERVER[0]}" || true
port=${line#PORT }
[ -n "$port" ] && [ "$port" != "$line" ] || fail "the HTTP server did not start"
base=http://127.0.0.1:$port/files
printf '[update]\r\n[files]\r\ncount=1\r\n[file1]\r\ndescr=Ledgerwake;new\r\nurl=%s\r\ntargetdir={APP}\\\r\n' \
  "$base/ledgerwake" >"$web/u.inf"
# The site's news address, in the installed setup file.
sed -i "s|^file=lwnews.inf|url=$base/lwnews.inf\r\nfile=lwnews.inf|" "$root/usr/share/ledgerwake/setup.ini"
grep -q "^url=$base/lwnews.inf" "$root/usr/share/ledgerwake/setup.ini" || fail "no news address"

# --- the user: own home, own runtime and temporary directories ---
home=$scratch/home
mkdir -p "$home/exports" "$scratch/run" "$scratch/tmp" "$scratch/cwd"
chmod 700 "$scratch/run"
if [ "$(id -u)" -eq 0 ]; then
  uid=65534
  chown -R "$uid:$uid" "$home" "$scratch/run" "$scratch/tmp" "$scratch/cwd"
  as_user() { setpriv --reuid="$uid" --regid="$uid" --clear-groups -- "$@"; }
else
  chmod -R a-w "$root"
  as_user() { "$@"; }
fi
run() {
  (cd "$scratch/cwd" && as_user env -i PATH=/usr/bin:/bin HOME="$home" \
    XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" \
    XDG_CACHE_HOME="$home/.cache" XDG_RUNTIME_DIR="$scratch/run" TMPDIR="$scratch/tmp" \
    QT_QPA_PLATFORM=offscreen "$@")
}
as_user test -x "$scratch/cwd" || skip "the test's user cannot enter $scratch (set TMPDIR elsewhere)"
as_user test -w "$root/usr/bin" && fail "the user can write the installation"
mkdir "$scratch/tools"
cp "$driver" "$scratch/tools/"
driver=$scratch/tools/$(basename "$driver")
lint=$(run lintian --pedantic --display-info "$deb" 2>&1) || fail "lintian: $lint"
[ -z "$lint" ] || fail "lintian: $lint"
touch "$scratch/marker"
sleep 1

cli=$root/usr/bin/ledgerwake-cli
version=$(run "$cli" --version) || fail "--version"
grep -qx "layout: installed" <<<"$version" || fail "no installed layout: $version"
grep -q "settings:  $home/.config/ledgerwake/" <<<"$version" || fail "settings dir: $version"
grep -q "read-only: $root/usr/share/ledgerwake/" <<<"$version" || fail "read-only dir: $version"

out=$(run "$cli" search --quiet --state NY --export "$home/exports/ny.csv" 2>&1) ||
  fail "search: $out"
count=$(sed -n 's/^Total Records Found: \([0-9]*\).*/\1/p' <<<"$out")
[ -n "$count" ] && [ "$count" -gt 0 ] || fail "no records found: $out"
rows=$(python3 -c 'import csv,sys; print(sum(1 for _ in csv.reader(open(sys.argv[1], newline="", encoding="latin-1"))))' "$home/exports/ny.csv")
[ "$rows" -eq $((count + 1)) ] || fail "export has $rows rows for $count records"

# The window: the same search, the record view of its first row, the news window.
gui=$(run "$driver" tour --home "$root/usr/bin" --state NY 2>&1) || fail "window: $gui"
[[ $gui == *"found=$count"* ]] || fail "the window found other records: $gui"
company=$(sed -n 's/^record=//p' <<<"$gui")
[ -n "$company" ] && grep -qF "\"$company\"" "$home/exports/ny.csv" ||
  fail "the record view shows no exported company: $gui"
[[ $gui == *"news=Products"* ]] || fail "the news window: $gui"
[ -f "$home/.local/share/ledgerwake/lwnews.inf" ] || fail "no news file in XDG_DATA_HOME"
out=$(run "$cli" news --refresh 2>&1) || fail "news: $out"
[ "$out" = $'Products\n  New release  -> notes.txt' ] || fail "news: $out"

# An update of the program directory: refused before any download, by the command (exit 1)
# and by the wizard (its last page), each with the package manager's message.
refusal="This update would change files in $root/usr/bin/: an installed copy is updated by the system's package manager"
status=0
out=$(run "$cli" update --url "$base/u.inf" --yes 2>&1) || status=$?
[ "$status" -eq 1 ] && [[ $out == *"[16 - 0] $refusal"* ]] || fail "update ($status): $out"
gui=$(run "$driver" update --home "$root/usr/bin" --url "$base/u.inf" 2>&1) || fail "wizard: $gui"
[[ $gui == *"complete=Updatewarden did not complete successfully. $refusal."* ]] ||
  fail "wizard: $gui"
cmp -s "$root/usr/bin/ledgerwake" "$web/ledgerwake" && fail "the update replaced the program"

[ -f "$home/.local/share/ledgerwake/data/swap.db" ] || fail "no result table in XDG_DATA_HOME"
grep -q '^\[Record View\]' "$home/.config/ledgerwake/lwconfig.ini" ||
  fail "the user settings in XDG_CONFIG_HOME did not start from the shipped ones"

# Nothing new outside the XDG directories of the program, the runtime directory and the
# export's folder.
stray=$(find "$scratch" -newer "$scratch/marker" \
  -not -path "$home/.config/ledgerwake*" -not -path "$home/.local/share/ledgerwake*" \
  -not -path "$home/.cache/ledgerwake*" -not -path "$scratch/run*" \
  -not -path "$home/exports*" -not -path "$scratch/tmp" \
  -not -path "$home" -not -path "$home/.config" -not -path "$home/.local" \
  -not -path "$home/.local/share" -not -path "$home/.cache" -print)
[ -z "$stray" ] || fail "written outside the user's directories: $stray"

# --- the portable archive: everything beside its programs, nothing in the user's ---
portable=$scratch/portable
mkdir -p "$portable"
tar -xzf "$tgz" -C "$portable"
pdir=$(ls -d "$portable"/*/)
[ "$(id -u)" -eq 0 ] && chown -R "$uid:$uid" "$portable"
rm -rf "$home/.config/ledgerwake" "$home/.local/share/ledgerwake" "$home/.cache/ledgerwake"
version=$(run "$pdir/ledgerwake-cli" --version) || fail "portable --version"
grep -qx "layout: portable" <<<"$version" || fail "no portable layout: $version"
out=$(run "$pdir/ledgerwake-cli" search --quiet --keep --state NY 2>&1) || fail "portable search: $out"
[[ $out == *"Total Records Found: $count"* ]] || fail "portable search: $out"
[ -f "${pdir}defaults/lwconfig.ini" ] || fail "portable: no shipped settings"
grep -q '^\[Record View\]' "${pdir}lwconfig.ini" ||
  fail "portable: the user settings beside the program did not start from the shipped ones"
[ -x "${pdir}upd" ] || fail "portable: no updater beside the program"
[ ! -e "$home/.config/ledgerwake" ] && [ ! -e "$home/.local/share/ledgerwake" ] ||
  fail "portable: wrote into the user's XDG directories"
echo "install test passed: $count records, $(basename "$deb"), $(basename "$tgz")"

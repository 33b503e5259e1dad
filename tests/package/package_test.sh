#!/usr/bin/env bash
# The Debian package as a user gets it: made by CPack, checked by lintian and the desktop
# validators, installed (on the machine itself when run as root, else unpacked into a
# scratch root), then used by an unprivileged user against the meter simulator: the CLI
# downloads, stores and exports, the window program starts on its own database, and the
# data lands in that user's XDG folder.
#   package_test.sh BUILD_DIR
set -euo pipefail
build=$(cd "${1:?build dir}" && pwd)
sim="$build/bin/movra-meter-sim"
work=$(mktemp -d /tmp/movra-package-test.XXXXXX)
chmod 0755 "$work"
installed_here=0
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  if [ "$installed_here" = 1 ]; then dpkg --purge movra >/dev/null 2>&1 || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "package test: $*" >&2; exit 1; }
step() { echo "== $*"; }

step "making the package"
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >/dev/null
deb=$(ls "$work"/out/movra_*_amd64.deb)
[ -f "$deb" ] || fail "no package was made"

step "its files"
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' | grep -v '/$' | sort > "$work/files"
expected=(
  /usr/bin/movra /usr/bin/movra-cli
  /usr/lib/udev/rules.d/70-movra-usb-serial.rules
  /usr/share/applications/com.velbrook.Movra.desktop
  /usr/share/metainfo/com.velbrook.Movra.metainfo.xml
  /usr/share/icons/hicolor/scalable/apps/com.velbrook.Movra.svg
  /usr/share/icons/hicolor/48x48/apps/com.velbrook.Movra.png
  /usr/share/icons/hicolor/256x256/apps/com.velbrook.Movra.png
  /usr/share/man/man1/movra.1.gz /usr/share/man/man1/movra-cli.1.gz
  /usr/share/doc/movra/copyright /usr/share/doc/movra/changelog.gz
  /usr/share/movra/MovraT.INI /usr/share/movra/data/MovraTemplate.xls /usr/share/movra/1/UserGuide.pdf
  /usr/share/movra/1033/MovraT.txt /usr/share/movra/2052/MovraT.txt /usr/share/movra/1031/MovraT.txt
  /usr/share/movra/1033/UserGuide.pdf /usr/share/movra/2052/UserGuide.pdf /usr/share/movra/1031/UserGuide.pdf
  /usr/share/movra/Image/PTLogo.png /usr/share/movra/Image/download.png
)
for f in "${expected[@]}"; do grep -qx "$f" "$work/files" || fail "the package lacks $f"; done
# No database and nothing writable: every user's data is made in their own folder.
if grep -E 'PTDATA|\.dat$' "$work/files"; then fail "the package holds data files"; fi
dpkg-deb -f "$deb" Depends | grep -q libsqlcipher || fail "the dependencies were not computed from the binaries"

step "lintian"
if command -v lintian >/dev/null; then
  lintian --tag-display-limit 0 "$deb" > "$work/lintian" 2>&1 || true
  cat "$work/lintian"
  if grep -q '^E:' "$work/lintian"; then fail "lintian reports errors"; fi
fi

step "desktop entry and metainfo"
mkdir -p "$work/unpacked"
dpkg-deb -x "$deb" "$work/unpacked"
desktop-file-validate "$work/unpacked/usr/share/applications/com.velbrook.Movra.desktop"
appstreamcli validate --no-net "$work/unpacked/usr/share/metainfo/com.velbrook.Movra.metainfo.xml"
exec_line=$(sed -n 's/^Exec=//p' "$work/unpacked/usr/share/applications/com.velbrook.Movra.desktop")
[ "$exec_line" = "movra" ] || fail "the desktop entry starts '$exec_line'"
man -l "$work/unpacked/usr/share/man/man1/movra-cli.1.gz" > /dev/null 2>&1 || fail "man page movra-cli"

step "installing"
if [ "$(id -u)" = 0 ] && ! dpkg-query -W -f='${Status}' movra 2>/dev/null | grep -q "install ok installed"; then
  dpkg -i "$deb" >/dev/null
  installed_here=1
  prefix=/usr
else
  prefix="$work/unpacked/usr"  # the program finds its folder relative to its own binary
fi

# The user: nobody when run as root, with a home of its own; else the user running this.
home="$work/home"
devroot="$work/devroot"
mkdir -p "$home" "$devroot"
as_user=()
if [ "$(id -u)" = 0 ]; then
  chown 65534:65534 "$home" "$devroot"
  as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi
run_user() {
  env -i PATH=/usr/bin:/bin HOME="$home" LANG=C.UTF-8 MOVRA_DEVICE_ROOT="$devroot" QT_QPA_PLATFORM=offscreen \
    "${as_user[@]}" "$@"
}
# Started in the background with its own process id, so the clean-up's kill reaches it.
spawn_user() {
  (exec env -i PATH=/usr/bin:/bin HOME="$home" LANG=C.UTF-8 MOVRA_DEVICE_ROOT="$devroot" QT_QPA_PLATFORM=offscreen \
    "${as_user[@]}" "$@") &
  pids+=($!)
}
data="$home/.local/share/movra/PTDATA/Data"

step "the meter simulator, plugged in as the user's cable"
# The build folder may sit where the user cannot reach it (a checkout under /root).
cp "$sim" "$work/movra-meter-sim"
chmod 0755 "$work/movra-meter-sim"
sim="$work/movra-meter-sim"
spawn_user "$sim" --device-root "$devroot" --usb-index 0 --generate 12 --generation 4800 --no-pace \
  --journal "$home/journal" > "$work/sim.out"
for _ in $(seq 100); do [ -e "$devroot/dev/ttyUSB0" ] && break; sleep 0.1; done
[ -e "$devroot/dev/ttyUSB0" ] || fail "the simulator did not plug in"

step "movra-cli as that user"
run_user "$prefix/bin/movra-cli" --help > "$work/help" 2>&1 || fail "movra-cli --help"
grep -q "download" "$work/help" || fail "movra-cli --help says nothing of download"
run_user "$prefix/bin/movra-cli" ports | grep -q "^COM1" || fail "movra-cli ports lists no COM1"
run_user "$prefix/bin/movra-cli" download --port COM1 --baud 4800 --store --clear \
  --csv "$home/results" --xls "$home/results" > "$work/download.out" 2> "$work/download.err" ||
  { cat "$work/download.err"; fail "movra-cli download failed"; }
[ -f "$data/movradata1.dat" ] || fail "no database in the user's data folder"
[ "$(stat -c %a "$home/.local/share/movra")" = 700 ] || fail "the user's data folder is not 0700"
[ "$(stat -c %a "$data/movradata1.dat")" = 600 ] || fail "the database is not 0600"
rows=$(grep -c . "$home/results.csv")
[ "$rows" = 13 ] || fail "the CSV holds $rows lines, not a title and 12 rows"
[ -s "$home/results.xls" ] || fail "no workbook"
if [ "$installed_here" = 1 ] && [ -e /usr/share/movra/PTDATA ]; then fail "data was written under /usr/share/movra"; fi

step "the window program as that user, on its own database"
spawn_user "$prefix/bin/movra" > "$work/window.out" 2>&1
window=${pids[-1]}
for _ in $(seq 100); do [ -e "$data/MovraData1.ldb" ] && break; sleep 0.1; done
# The lock file exists only while the database is open; a failed start leaves none.
[ -e "$data/MovraData1.ldb" ] || { cat "$work/window.out"; fail "the window program did not open its database"; }
kill -0 "$window" 2>/dev/null || fail "the window program ended"

if [ "$installed_here" = 1 ]; then
  step "removing the package leaves the user's data"
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  pids=()
  dpkg --purge movra >/dev/null
  installed_here=0
  [ ! -e /usr/bin/movra ] || fail "the program is still installed"
  [ -f "$data/movradata1.dat" ] || fail "removing the package removed the user's database"
fi
echo "package test: all checks passed"

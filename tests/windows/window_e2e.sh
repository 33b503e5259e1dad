#!/usr/bin/env bash
# MovraT.exe under Wine + Xvfb against the Linux meter simulator, driven as a user drives it:
# the main window opens, File > Download reads the meter on COM7 (found through the
# registry keys the port listing reads, as a USB to UART adapter writes them), the summary
# box tells the total, the encrypted database beside the program holds exactly the records
# the meter saw acknowledged, and File > Exit with Yes ends the program.
#
#   tests/windows/window_e2e.sh DIST_WIN HOST_BUILD [--screenshot DIR] [--work DIR]
#
# DIST_WIN is the program folder `make windows` lays out (it is copied, never changed);
# HOST_BUILD has bin/movra-meter-sim. --screenshot DIR keeps the summary box's picture as
# DIR/windows-download-summary.png. The scratch folder (--work, default a new folder under
# /tmp) keeps the prefix, the simulator's journal and the screenshots of every step.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
src=$(cd "$here/../.." && pwd)
usage() { echo "usage: $0 DIST_WIN HOST_BUILD [--screenshot DIR] [--work DIR]" >&2; exit 2; }
[ $# -ge 2 ] || usage
dist=$(realpath "$1")
host_build=$(realpath "$2")
shift 2
shots= work=
while [ $# -gt 0 ]; do
  case "$1" in
    --screenshot) shots=$(realpath -m "${2:?}"); shift 2 ;;
    --work) work=$(realpath -m "${2:?}"); shift 2 ;;
    *) usage ;;
  esac
done
sim_bin="$host_build/bin/movra-meter-sim"
for f in "$dist/MovraT.exe" "$sim_bin"; do [ -e "$f" ] || { echo "window_e2e: $f is missing" >&2; exit 2; }; done
for t in wine wineserver Xvfb openbox xdotool xclip import sqlcipher; do
  command -v "$t" >/dev/null || { echo "window_e2e: $t is missing" >&2; exit 2; }
done

records=12
password=7315KRTsleB  # the database's designed key (src/data/connection_string)
title="Movra Management Software"
guid="{86e0d1e0-8089-11d0-9ce4-08003e301f73}"
adapter="Silicon Labs CP210x USB to UART Bridge (COM7)"

if [ -z "$work" ]; then work=$(mktemp -d /tmp/movra-window-e2e.XXXXXX); fi
mkdir -p "$work"
# What an earlier run left; nothing else in the folder is removed.
rm -rf "$work/wine" "$work/app" "$work"/*.png "$work"/journal.txt "$work"/program.* "$work"/sim.*
export WINEPREFIX="$work/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
app="$work/app"
journal="$work/journal.txt"
link="$work/meter"
started=$(date +%s)

say() { echo "window_e2e: [$(( $(date +%s) - started )) s] $*"; }
shot() { timeout 30 import -window root "$work/$1.png" 2>/dev/null || true; }
fail() {
  shot failure
  echo "window_e2e: FAILED: $*" >&2
  echo "window_e2e: screenshot $work/failure.png; program output $work/program.out; journal $journal" >&2
  exit 1
}

# shellcheck source=../../scripts/windows/display.sh
. "$src/scripts/windows/display.sh"
sim_pid= app_pid=
cleanup() {
  [ -z "$app_pid" ] || kill "$app_pid" 2>/dev/null || true
  wineserver -k 2>/dev/null || true
  [ -z "$sim_pid" ] || kill "$sim_pid" 2>/dev/null || true
  stop_display
}
trap cleanup EXIT

# wait_for SECONDS WHAT COMMAND...: runs COMMAND every half second until it succeeds.
wait_for() {
  local limit=$1 what=$2 deadline
  shift 2
  deadline=$(( $(date +%s) + limit ))
  until "$@"; do
    [ "$(date +%s)" -lt "$deadline" ] || fail "no $what within $limit s"
    sleep 0.5
  done
}
# The newest visible window whose title is exactly $1 (its id in $found).
window_named() { found=$(timeout 10 xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | tail -1) && [ -n "$found" ]; }
program_ended() { [ -f "$work/program.rc" ]; }
program_alive() { program_ended && fail "MovraT.exe ended with $(cat "$work/program.rc"): $(tr -d '\r' < "$work/program.out" | head -5)"; return 0; }
# Keys to a window: brings it to the front first, as a user's click would.
keys_to() {
  local win=$1
  shift
  timeout 15 xdotool windowactivate --sync "$win" 2>/dev/null || timeout 10 xdotool windowfocus --sync "$win" 2>/dev/null || true
  timeout 15 xdotool key --clearmodifiers --delay 300 "$@"
}

start_display
say "display $DISPLAY"

# The prefix. The server opens the meter's terminal as its controlling one and reports
# each hang-up on its error output: started on its own, that goes nowhere.
wineserver -k 2>/dev/null || true
mkdir -p "$WINEPREFIX"
setsid wineserver -p >/dev/null 2>&1 </dev/null || fail "wineserver did not start"
timeout 300 wine cmd /c exit >/dev/null 2>&1 </dev/null || fail "the Wine prefix was not made"
# The adapter as its driver registers it: a present COM-port interface and the device's name.
reg_add() { timeout 60 wine reg add "$@" /f >/dev/null 2>&1 </dev/null || fail "wine reg add $*"; }
reg_add "HKLM\\SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\$guid\\##?#USB#VID_10C4&PID_EA60#0001#$guid\\Control" \
  /v ReferenceCount /t REG_DWORD /d 1
reg_add "HKLM\\SYSTEM\\CurrentControlSet\\Enum\\USB\\VID_10C4&PID_EA60\\0001" /v FriendlyName /t REG_SZ /d "$adapter"

# The meter: COM7 is its terminal, through the link the simulator keeps.
setsid "$sim_bin" --generate "$records" --generation 4800 --journal "$journal" --link "$link" \
  >"$work/sim.out" 2>"$work/sim.err" </dev/null &
sim_pid=$!
wait_for 20 "simulator link" test -L "$link"
ln -sfn "$link" "$WINEPREFIX/dosdevices/com7"
say "meter simulator on $(readlink "$link") as COM7 ($records records at 4800 baud)"

# The program, from a copy of the program folder.
cp -a "$dist" "$app"
(cd "$app" && wine "$app/MovraT.exe" >"$work/program.out" 2>&1 </dev/null; echo $? > "$work/program.rc") &
app_pid=$!

main_window() { program_alive; window_named "$title"; }
wait_for 60 "main window \"$title\"" main_window
main=$found
sleep 3  # the first paint under Xvfb
eval "$(timeout 10 xdotool getwindowgeometry --shell "$main")"
[ "$WIDTH" -ge 400 ] && [ "$HEIGHT" -ge 300 ] || fail "the main window is only ${WIDTH}x$HEIGHT"
shot main-window
say "main window ${WIDTH}x$HEIGHT (menu, tool bar, grid and status bar: $work/main-window.png)"

# File > Download, by the keyboard.
keys_to "$main" alt+f d
summary() {
  program_alive
  ! window_named Warning || fail "a question came before the download (does $dist's database hold records already?)"
  window_named Message
}
wait_for 180 "summary box (window \"Message\")" summary
box=$found
sleep 2
# The box's text, as the Windows message box copies it with Ctrl+C.
copied() {
  keys_to "$box" ctrl+c
  sleep 1
  text=$(timeout 20 xclip -o -selection clipboard 2>/dev/null | tr -d '\r') || true
  [ -n "$text" ]
}
wait_for 30 "text copied from the summary box" copied
want="Finished transfering. Total records: $records! "
grep -F -q -x -- "$want" <<<"$text" || fail "the summary box says: $text"
say "summary box: \"$want\""
shot summary
if [ -n "$shots" ]; then
  mkdir -p "$shots"
  cp "$work/summary.png" "$shots/windows-download-summary.png"
  say "screenshot $shots/windows-download-summary.png"
fi
keys_to "$box" Return
box_gone() { ! window_named Message; }
wait_for 20 "closing of the summary box" box_gone

# Exactly what the meter saw acknowledged is stored.
acked=$(awk '$1 == "ack" { print $2 }' "$journal" | paste -sd' ')
db="$app/PTDATA/Data/movradata1.dat"
stored=$(printf "PRAGMA key = '%s';\n.mode list\nSELECT fRecordNumber FROM Result_Log ORDER BY fID;\n" "$password" |
  sqlcipher -batch "$db" 2>"$work/sqlcipher.err" | grep -E '^[0-9]+$' | paste -sd' ') || true
[ ! -s "$work/sqlcipher.err" ] || fail "sqlcipher could not read $db: $(cat "$work/sqlcipher.err")"
[ "$(wc -w <<<"$acked")" -eq "$records" ] || fail "the meter saw ${acked:-no record} acknowledged, expected $records records"
[ "$stored" = "$acked" ] || fail "the database holds records ${stored:-none}, the meter saw $acked acknowledged"
sleep 1
shot grid
say "the database holds the $records acknowledged records ($acked); the grid: $work/grid.png"

# File > Exit, and Yes to the question.
keys_to "$main" alt+f x
question() { program_alive; window_named Warning; }
wait_for 30 "exit question (window \"Warning\")" question
shot exit-question
keys_to "$found" alt+y
deadline=$(( $(date +%s) + 10 ))
until program_ended; do
  [ "$(date +%s)" -lt "$deadline" ] || fail "MovraT.exe did not end within 10 s of Yes"
  sleep 0.2
done
app_pid=
say "MovraT.exe ended after Yes to the exit question"
say "passed ($(( $(date +%s) - started )) s)"

#!/usr/bin/env bash
# morvane.exe as a GUI program under Wine and Xvfb: the file's PE subsystem is the Windows GUI one
# (2, not the console's 3); started as Explorer starts programs, the dialog is the only window that
# comes up (no console window beside it); and started on a console (a wineconsole running
# `wincheck console-run`), Ctrl+C runs the Close path: a camera added in edit mode is saved, the
# simulator (fake_simulator.py) receives TINY_CLOSE, and the program ends with status 0.
# Closing the console's window is not checked here: Wine's console ends the programs attached to it
# without the close event that Windows sends them first, so no program can react to it under Wine.
#
# usage: morvane_console_test.sh MORVANE_EXE WINCHECK_EXE WINE_RUN PREFIX
set -uo pipefail
exe=$1
wincheck=$2
wine_run=$3
export WINEPREFIX=$4
export WINEDEBUG=-all
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
. "$here/wine_test_lib.sh"
sim_pid=
console_pid=
event="MorvaneConsoleTest$$"

cleanup() {
  [ -n "$console_pid" ] && kill "$console_pid" 2>/dev/null
  wineserver -k 2>/dev/null
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

wc() { "$wine_run" "$wincheck" "$@" 2>/dev/null | tr -d '\r'; }
reg() { "$wine_run" reg "$@" >/dev/null 2>&1; }
winpath() { winepath -w "$1" 2>/dev/null | tr -d '\r'; }

# 1. The subsystem field of the PE optional header: 68 bytes into it, after the 4-byte signature
#    and the 20-byte file header at the offset that the DOS header holds at 0x3C.
pe=$(od -An -tu4 -j60 -N4 "$exe" | tr -d ' ')
subsystem=$(od -An -tu2 -j$((pe + 92)) -N2 "$exe" | tr -d ' ')
[ "$subsystem" = 2 ] || fail "PE subsystem $subsystem, expected 2 (Windows GUI)"

start_display 121

# 2. Started as Explorer starts it: the dialog and nothing else.
reg delete 'HKCU\Software\Morvane' /f
pid=$(wc launch "$(winpath "$exe")")
[ -n "$pid" ] || fail "wincheck could not launch morvane.exe"
[ "$(wc find Morvane 60000)" = found ] || fail "no dialog titled Morvane"
windows=$(wc toplevel)
[ "$windows" = "$pid #32770 \"Morvane\"" ] ||
  fail "top-level windows, expected only the dialog of process $pid:"$'\n'"$windows"
wc cancel Morvane >/dev/null
wait_until '[ -z "$(wc toplevel)" ]' 150 || fail "morvane.exe did not end after Cancel"

# 3. On a console: edit mode, a camera added, Ctrl+C.
program=$work/program
mkdir -p "$program/pth" "$program/cam"
cp "$exe" "$program/morvane.exe"
python3 "$here/fake_simulator.py" --write-path "$program/pth/BL1.pth"
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
python3 "$here/fake_simulator.py" --port "$port" --log "$work/sim.log" --duration 200 &
sim_pid=$!
reg delete 'HKCU\Software\Morvane' /f
reg add 'HKCU\Software\Morvane' /v InsimPort /t REG_DWORD /d "$port" /f
reg add 'HKCU\Software\Morvane' /v AutoActivate /t REG_DWORD /d 1 /f  # the link starts at once
"$wine_run" wineconsole "$(winpath "$wincheck")" console-run "$(winpath "$program/morvane.exe")" \
  "$event" "$(winpath "$work")\\result" >/dev/null 2>&1 &
console_pid=$!
if wait_until 'grep -q "added a new cam position" "$work/sim.log" 2>/dev/null' 600; then
  [ ! -s "$program/cam/BL1.cam" ] || fail "the camera file was written before the close"
  wc signal "$event" >/dev/null
  wait_until '[ -s "$work/result" ]' 300 || fail "wincheck console-run reported nothing"
  [ "$(tr -d '\r' <"$work/result" 2>/dev/null)" = "exit 0" ] ||
    fail "after Ctrl+C morvane.exe: $(cat "$work/result" 2>/dev/null), expected exit 0"
  line=$(head -c 30 "$program/cam/BL1.cam" 2>/dev/null)
  [ "$line" = " 000C8000, FFE1C000, 00070000," ] ||
    fail "camera file after Ctrl+C begins [$line], expected the added camera"
  grep -q '^close$' "$work/sim.log" || fail "the simulator received no TINY_CLOSE"
else
  fail "the director did not add the camera in edit mode:"$'\n'"$(cat "$work/sim.log" 2>/dev/null)"
fi

if [ "$failures" -eq 0 ]; then
  echo "morvane.exe console checks passed"
  exit 0
fi
echo "$failures failures"
exit 1

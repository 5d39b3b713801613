#!/usr/bin/env bash
# morvaneview.exe under Wine and Xvfb against the scripted director (fake_director.py):
# the window "Morvane GUI" of class MORVANE comes up with its menu resource and toolbar in their
# initial states (live menu states are not readable from another process under Wine; the unit
# tests cover them); Connect opens the Connect dialog with the stored port, OK links up, the track is loaded
# in batches of 32 nodes and the map shows road grey and the car in focus in dark red with the
# command states of a track with cars; Edit Cameras switches the director's edit mode, the cameras
# are drawn and a click on one picks it (it turns dark red); a double click opens Edit Camera for
# it with the focus on the height; Info opens and closes; Exit ends the program with status 0.
# The title is "Morvane GUI" until Connect and then tells the link's state; the Connect and Info
# dialogs open centred on the main window.
#
# usage: morvaneview_test.sh MORVANEVIEW_EXE VIEWCHECK_EXE WINE_RUN PREFIX
set -uo pipefail
exe=$1
viewcheck=$2
wine_run=$3
export WINEPREFIX=$4
export WINEDEBUG=-all
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
. "$here/wine_test_lib.sh"
view_pid=
director_pid=
title="Morvane GUI"

cleanup() {
  [ -n "$view_pid" ] && kill "$view_pid" 2>/dev/null
  wineserver -k 2>/dev/null
  [ -n "$director_pid" ] && kill "$director_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

start_display 101

vc() { "$wine_run" "$viewcheck" "$@" 2>/dev/null | tr -d '\r'; }
reg() { "$wine_run" reg "$@" >/dev/null 2>&1; }
pixels() { python3 "$here/shot_pixels.py" "$@"; }
# The dialog titled $1 has its centre on the main window's centre (within a pixel).
expect_centred() {
  local l t r b ml mt mr mb dx dy
  read -r l t r b <<<"$(vc rect "$1")"
  read -r ml mt mr mb <<<"$(vc rect "$title")"
  dx=$(((l + r) - (ml + mr)))
  dy=$(((t + b) - (mt + mb)))
  [ "${dx#-}" -le 2 ] && [ "${dy#-}" -le 2 ] ||
    fail "$1 at $l,$t-$r,$b is not centred on the main window at $ml,$mt-$mr,$mb"
}
# Waits up to $2 tenths of a second for a line matching $1 in the director's request log.
wait_request() {
  local i
  for i in $(seq 1 "$2"); do
    grep -q "$1" "$work/requests" 2>/dev/null && return 0
    sleep 0.1
  done
  return 1
}

port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
reg delete 'HKCU\Software\Morvane' /f
reg add 'HKCU\Software\Morvane' /v Portnumber /t REG_DWORD /d "$port" /f
touch "$work/requests"
python3 "$here/fake_director.py" --port "$port" --record "$work/requests" --duration 240 &
director_pid=$!

"$wine_run" "$exe" >/dev/null 2>&1 &
view_pid=$!
[ "$(vc find "$title" 60000)" = found ] || { fail "no window titled $title"; exit 1; }
expect_eq "window class" "$(vc class "$title")" "MORVANE"
expect_eq "title before Connect" "$(vc title "$title")" "$title"

expected_menu='POPUP "&Director"
  32774 "&Connect to TV control..."
  32776 "&Edit Cameras..." grayed
  32780 "Manual Control" grayed
  SEPARATOR
  105 "E&xit"
POPUP "Zoom"
  32781 "250m" grayed
  32782 "500m" grayed
  32783 "1000m" grayed
  SEPARATOR
  32784 "Fit" grayed
POPUP "&Camera"
  32795 "&Front Cam"
  32796 "Incar Cam"
  32797 "&Rear Cam"
POPUP "&Help"
  104 "&Info..."'
expect_eq "menu" "$(vc menu "$title" "$(winepath -w "$exe" 2>/dev/null | tr -d '\r')")" "$expected_menu"

# Toolbar: count, then "id enabled checked" for Connect, Edit Cameras, Manual Control, zoom in,
# zoom out, Fit, Front, Incar and Rear Cam.
expected_toolbar='count 12
32774 1 0
32776 0 0
32780 0 0
32790 0 0
32786 0 0
32784 0 0
32795 0 0
32796 0 0
32797 0 0'
expect_eq "initial toolbar" "$(vc toolbar "$title")" "$expected_toolbar"

# Connect: the dialog shows the stored port and, without "remote", 127.0.0.1.
vc command "$title" 32774 >/dev/null
if [ "$(vc find "Connect to Morvane..." 20000)" = found ]; then
  expect_eq "port field" "$(vc text "Connect to Morvane..." 1003)" "$port"
  expect_eq "address field" "$(vc text "Connect to Morvane..." 1002)" "127.0.0.1"
  expect_centred "Connect to Morvane..."
  vc press "Connect to Morvane..." 1 >/dev/null
else
  fail "no Connect dialog"
fi
# 200 nodes: requests at 0, 32, ..., 192.
wait_request '^07001500000000$' 200 || fail "no request for node 0"
wait_request '^07001540000000$' 200 || fail "no request for node 64"
wait_request '^070015c0000000$' 200 || fail "no request for node 192"
expect_eq "title when linked" "$(vc title "$title")" "$title - connected to 127.0.0.1:$port"
# The command states follow once the cars have come (the track's nodes alone do not enable them).
expect_eventually "toolbar with track and cars" 'vc toolbar "$title"' 'count 12
32774 1 1
32776 1 0
32780 1 0
32790 1 0
32786 1 0
32784 1 0
32795 0 0
32796 0 0
32797 0 0' 150

read -r cw ch tbh sx sy <<<"$(vc client "$title")"
import -window root "$work/track.png"
grey=$(pixels count "$work/track.png" 192,192,192 "$sx" "$((sy + tbh))" "$cw" "$((ch - tbh))")
red=$(pixels count "$work/track.png" 192,0,0 "$sx" "$((sy + tbh))" "$cw" "$((ch - tbh))")
list=$(pixels count "$work/track.png" 255,0,0 "$sx" "$((sy + tbh))" "$cw" "$((ch - tbh))")
[ "${grey:-0}" -ge 1000 ] || fail "road grey pixels on the map: ${grey:-none}"
[ "${red:-0}" -ge 8 ] || fail "dark red pixels (car in focus): ${red:-none}"
[ "${list:-0}" -ge 20 ] || fail "red car list entry pixels: ${list:-none}"

# Edit mode: the director enters it and reports its cameras.
vc command "$title" 32776 >/dev/null
wait_request '^04001101$' 50 || fail "no request to enter edit mode"
expect_eventually "Edit Cameras button in edit mode" "vc toolbar '$title' | grep '^32776 '" \
  "32776 1 1" 150
expect_eq "zoom in button in edit mode" "$(vc toolbar "$title" | grep '^32790 ')" "32790 0 0"
import -window root "$work/edit.png"
# Black marks below the race clock's line are the cameras other than the current one.
top=$((sy + tbh + 20))
read -r cx cy _ <<<"$(pixels clusters "$work/edit.png" 0,0,0 "$sx" "$top" "$cw" "$((sy + ch - top))" | head -n 1)"
if [ -z "${cx:-}" ]; then
  fail "no camera marks on the map in edit mode"
else
  vc click "$title" "$((cx - sx))" "$((cy - sy))" >/dev/null
  wait_request '^# picked' 50 || fail "a click on a camera mark picked none"
  expect_eventually "picked camera's mark" \
    "import -window root '$work/picked.png' && pixels count '$work/picked.png' 192,0,0 $cx $cy 1 1" \
    "1" 100
  vc click "$title" "$((cx - sx))" "$((cy - sy))" double >/dev/null
  if [ "$(vc find "Edit Camera" 20000)" = found ]; then
    expect_eq "nodes group" "$(vc text "Edit Camera" 1014)" "Nodes (0..199)"
    expect_eq "Edit Camera's focus" "$(vc focus "Edit Camera")" "1012"
    vc press "Edit Camera" 2 >/dev/null
  else
    fail "a double click on a camera opened no Edit Camera dialog"
  fi
fi

vc command "$title" 104 >/dev/null
if [ "$(vc find "Info" 20000)" = found ]; then
  expect_centred "Info"
  vc press "Info" 1 >/dev/null
else
  fail "no Info dialog"
fi

# Exit once the Info dialog has gone (a modal dialog would hold the command back).
wait_until '[ "$(vc find Info 0)" != found ]' 100 || fail "the Info dialog stayed open"
vc command "$title" 105 >/dev/null
for i in $(seq 1 100); do
  kill -0 "$view_pid" 2>/dev/null || break
  sleep 0.2
done
if kill -0 "$view_pid" 2>/dev/null; then
  fail "morvaneview.exe did not end after Exit"
else
  wait "$view_pid"
  status=$?
  view_pid=
  expect_eq "exit status" "$status" "0"
fi

if [ "$failures" -eq 0 ]; then
  echo "morvaneview: all checks passed"
  exit 0
fi
echo "$failures failures"
exit 1

#!/usr/bin/env bash
# morvane.exe under Wine and Xvfb: dialog 101 comes up with every control of the main dialog
# (ids, classes, texts, positions and sizes in dialog units, styles), Start and Stop switch the
# button, Cancel ends the program with status 0, and with "AutoActivate" stored as 1 the link
# starts at once (the button reads "Stop") without the settings being written; with "WebPort"
# stored as well, the web view answers on that port while the director runs, and not after.
#
# usage: morvane_dialog_test.sh MORVANE_EXE WINCHECK_EXE WINE_RUN PREFIX
set -uo pipefail
exe=$1
wincheck=$2
wine_run=$3
export WINEPREFIX=$4
export WINEDEBUG=-all
. "$(dirname "$0")/wine_test_lib.sh"
morvane_pid=

cleanup() {
  [ -n "$morvane_pid" ] && kill "$morvane_pid" 2>/dev/null
  wineserver -k 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
}
trap cleanup EXIT

start_display 91

wc() { "$wine_run" "$wincheck" "$@" 2>/dev/null | tr -d '\r'; }
reg() { "$wine_run" reg "$@" >/dev/null 2>&1; }

start_morvane() {
  "$wine_run" "$exe" >/dev/null 2>&1 &
  morvane_pid=$!
  [ "$(wc find Morvane 60000)" = found ] || fail "no dialog titled Morvane"
}

# Cancel, then the program must end by itself with status 0.
cancel_morvane() {
  wc cancel Morvane >/dev/null
  local i
  for i in $(seq 1 150); do
    kill -0 "$morvane_pid" 2>/dev/null || break
    sleep 0.2
  done
  if kill -0 "$morvane_pid" 2>/dev/null; then
    fail "morvane.exe did not end after Cancel"
  else
    wait "$morvane_pid"
    local status=$?
    [ "$status" -eq 0 ] || fail "morvane.exe ended with status $status"
  fi
  morvane_pid=
}

expect_text() {  # id, text
  local got
  got=$(wc text Morvane "$1")
  [ "$got" = "$2" ] || fail "control $1 reads \"$got\", expected \"$2\""
}

near() { local d=$(($1 - $2)); [ "${d#-}" -le 1 ]; }

# id|class|text|x|y|w|h|visible|enabled; h of a drop-down list is its closed height, not checked.
expected='dialog|#32770|Morvane|0|0|215|166|1|1
1009|Static|Insim Port:|7|7|38|11|1|1
1000|Edit|32300|50|6|40|14|1|1
1010|Static|Password:|7|25|34|8|1|1
1005|Edit||50|23|55|14|1|1
-1|Button||113|6|95|36|1|1
1007|Button|enable GUI access|119|6|75|10|1|1
1008|Static|GUI Port:|123|25|33|10|1|0
1001|Edit|32301|158|22|40|14|1|0
1011|Button|Insim V3 (LFS S2V and former versions)|16|47|151|9|1|0
1012|Button|Insim V4 (LFS S2X and later versions)|16|59|134|10|1|1
1022|Button|Insim V10\n(LFS 0.8)|152|59|56|16|1|1
1018|Button|Hotkeys|7|75|117|61|1|1
1016|Static|activate:|15|88|36|9|1|1
1017|Static|deactivate:|69|88|41|9|1|1
1014|ComboBox|Ctrl-F6|16|100|45|-|1|1
1015|ComboBox|Ctrl-F7|69|100|45|-|1|1
1019|Button|disable overlay|134|78|74|9|1|1
1023|Button|broadcast rules|134|91|74|9|1|1
1021|Button|activate automatically|16|120|97|10|1|1
1025|Static|Web port:|134|107|34|9|1|1
1024|Edit||168|105|40|14|1|1
-1|Static|Morvane\nVersion 0.3|7|141|133|18|1|1
1002|Button|Start|158|126|50|14|1|1
1003|Button|Close|158|145|50|14|1|1
1013|Static|Path to LFS:|-|-|-|-|0|0
1006|Edit||-|-|-|-|0|0
1004|Button|Select...|-|-|-|-|0|0'

# Style bits that matter: the password edit, the number edits, the drop-down lists, the radio
# buttons and check boxes, and the dialog's system menu and minimize box.
declare -A style_bits=([dialog]=0x000A0000 [1005]=0x20 [1000]=0x2000 [1001]=0x2000
  [1014]=0x3 [1015]=0x3 [1011]=0x9 [1012]=0x9 [1022]=0x2009 [1007]=0x3 [1019]=0x3 [1021]=0x3
  [1023]=0x3 [1024]=0x2000)

check_dump() {
  local dump line id cls text x y w h style vis en
  dump=$(wc dump Morvane "$(winepath -w "$exe" 2>/dev/null)" 101)
  [ -n "$dump" ] || { fail "no dump of the dialog"; return; }
  local re='^(-?[0-9]+|dialog) ([#A-Za-z0-9]+) "(.*)" (-?[0-9]+) (-?[0-9]+) (-?[0-9]+) (-?[0-9]+) (0x[0-9a-f]+) ([01]) ([01])$'
  local count
  count=$(grep -c . <<<"$dump")
  [ "$count" -eq 28 ] || fail "the dialog has $((count - 1)) controls, expected 27"
  while IFS='|' read -r eid ecls etext ex ey ew eh evis een; do
    local found=0
    while read -r line; do
      [[ $line =~ $re ]] || continue
      id=${BASH_REMATCH[1]} cls=${BASH_REMATCH[2]} text=${BASH_REMATCH[3]}
      x=${BASH_REMATCH[4]} y=${BASH_REMATCH[5]} w=${BASH_REMATCH[6]} h=${BASH_REMATCH[7]}
      style=${BASH_REMATCH[8]} vis=${BASH_REMATCH[9]} en=${BASH_REMATCH[10]}
      [ "$id" = "$eid" ] && [ "$cls" = "$ecls" ] && [ "$text" = "$etext" ] || continue
      found=1
      if [ "$ex" != - ]; then
        near "$x" "$ex" && near "$y" "$ey" && near "$w" "$ew" ||
          fail "$eid \"$etext\" at $x,$y size $w, expected $ex,$ey size $ew"
      fi
      if [ "$eh" != - ]; then near "$h" "$eh" || fail "$eid \"$etext\" height $h, expected $eh"; fi
      [ "$vis$en" = "$evis$een" ] || fail "$eid \"$etext\" visible/enabled $vis$en, expected $evis$een"
      local bits=${style_bits[$eid]:-}
      if [ -n "$bits" ] && [ $((style & bits)) -ne $((bits)) ]; then
        fail "$eid style $style lacks $bits"
      fi
    done <<<"$dump"
    [ "$found" -eq 1 ] || fail "missing control $eid $ecls \"$etext\""
  done <<<"$expected"
}

# 1. A fresh user: the dialog with its defaults; Start and Stop; Cancel ends the program.
reg delete 'HKCU\Software\Morvane' /f
[ "$(wc resource "$(winepath -w "$exe" 2>/dev/null)" 101)" = found ] || fail "no dialog resource 101"
start_morvane
if command -v xdotool >/dev/null; then
  [ -n "$(xdotool search --name '^Morvane$' 2>/dev/null)" ] || fail "xdotool finds no window Morvane"
fi
check_dump
expect_text 1002 Start
wc click Morvane 1002 >/dev/null
expect_text 1002 Stop
wc click Morvane 1002 >/dev/null
expect_text 1002 Start
cancel_morvane

# 2. "AutoActivate" stored as 1: running at once, and nothing written to the registry.
reg delete 'HKCU\Software\Morvane' /f
reg add 'HKCU\Software\Morvane' /v AutoActivate /t REG_DWORD /d 1 /f
start_morvane
expect_text 1002 Stop
[ "$(wc text Morvane 1021)" = "activate automatically" ] || fail "check box 1021 missing"
reg query 'HKCU\Software\Morvane' /v InsimPort && fail "automatic start wrote the settings"
cancel_morvane

# 3. "WebPort" stored: the web view serves the page and the race state while the link runs.
web_port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
fetch() {  # path: prints the status and the body, or "refused"
  python3 - "$web_port" "$1" <<'PY'
import sys, urllib.request, urllib.error
try:
    with urllib.request.urlopen("http://127.0.0.1:%s%s" % (sys.argv[1], sys.argv[2]), timeout=10) as r:
        print(r.status, r.read().decode("utf-8", "replace"))
except urllib.error.HTTPError as e:
    print(e.code)
except OSError:
    print("refused")
PY
}
reg add 'HKCU\Software\Morvane' /v WebPort /t REG_DWORD /d "$web_port" /f
start_morvane
expect_text 1002 Stop
expect_text 1024 "$web_port"
state=$(fetch /state)
[[ $state == "200 {"*'"connected":'* ]] || fail "GET /state answered: ${state:0:200}"
page=$(fetch /overlay)
[[ $page == "200 <!doctype html>"* ]] || fail "GET /overlay answered: ${page:0:200}"
[ "$(fetch /../../windows/win.ini | head -c 3)" = 404 ] || fail "a path outside the page was served"
wc click Morvane 1002 >/dev/null
expect_text 1002 Start
[ "$(fetch /state)" = refused ] || fail "the web view still answers after Stop"
cancel_morvane
reg delete 'HKCU\Software\Morvane' /f

if [ "$failures" -eq 0 ]; then
  echo "morvane.exe dialog checks passed"
  exit 0
fi
echo "$failures failures"
exit 1

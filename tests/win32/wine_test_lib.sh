# Shared by the checks of the Windows programs under Wine and Xvfb (sourced): failures are
# counted, conditions are awaited rather than slept for, and each check gets a display of its own.
failures=0
xvfb_pid=

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

expect_eq() {  # what, got, want
  [ "$2" = "$3" ] || fail "$1: got [$2], want [$3]"
}

# Waits up to $2 tenths of a second for the command $1 to succeed.
wait_until() {
  local i
  for i in $(seq 1 "$2"); do
    eval "$1" && return 0
    sleep 0.1
  done
  return 1
}

# Waits up to $4 tenths of a second for the output of the command $2 to become $3; a failure
# named $1 shows the last output otherwise.
expect_eventually() {  # what, command, want, tenths
  local i got=
  for i in $(seq 1 "$4"); do
    got=$(eval "$2")
    [ "$got" = "$3" ] && return 0
    sleep 0.1
  done
  fail "$1: got [$got], want [$3]"
}

# Starts Xvfb on the first free display from number $1 on, exports DISPLAY and sets xvfb_pid;
# returns once the display takes connections.
start_display() {
  local n
  for n in $(seq "$1" 299); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break
  done
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=":$n"
  wait_until "[ -e /tmp/.X11-unix/X$n ]" 100 || fail "Xvfb :$n did not come up"
}

# Sourced by the tests that drive a real X server. The caller sets $timeout and $work.

fail() {  # why: says so, with the logs kept in $work
  echo "FAIL: $*" >&2
  for log in "$work"/*.log; do [ -s "$log" ] && { echo "--- $log:"; cat "$log"; } >&2; done
  exit 1
}

window_named() {  # regex[, pid]: a visible window so named (of that running program), into $found
  [ -z "${2:-}" ] || kill -0 "$2" 2>/dev/null || fail "the program ended"
  found=$(xdotool search --all --onlyvisible ${2:+--pid "$2"} --name "$1" 2>/dev/null | head -n1)
  [ -n "$found" ]
}

wait_for() {  # what, command...: runs the command until it succeeds, for at most $timeout s
  local what=$1 deadline=$((SECONDS + timeout))
  shift
  until "$@"; do
    [ "$SECONDS" -lt "$deadline" ] || fail "waited ${timeout}s for $what"
    sleep 0.1
  done
}

# An X server of its own on a free display, its files in folder $1: sets DISPLAY and
# xvfb_pid. -noreset: a client that connects just as the last one leaves must not find
# it resetting.
start_xvfb() {
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$1/display" >"$1/xvfb.log" 2>&1 &
  xvfb_pid=$!
  wait_for "the X server to start" test -s "$1/display"
  export DISPLAY=":$(head -n1 "$1/display")"
}

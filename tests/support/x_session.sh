# Sourced by the tests that drive a real X server. The caller defines fail() and $timeout.

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

# What the tests that drive the player on a real X server share; sourced once the caller
# has set $work (its folder; the *.log there are shown on a failure), $keep_work (set:
# $work is left for a look) and $timeout (seconds for any one wait). Whatever the caller
# starts goes into pids, to be ended when it exits.
pids=()
cleanup() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  [ -n "$keep_work" ] || rm -rf "$work"
}
trap cleanup EXIT && trap 'exit 1' INT TERM

fail() {  # why: says so, with the logs
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

#!/usr/bin/env bash
# Runs every test: the whole suite on the normal build, then the device's bad-file
# and event suites again under AddressSanitizer. Starts its own X server for the
# end-to-end run.
set -euo pipefail
build=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)

display=${VIDLARK_DISPLAY:-:97}  # another number lets two checkouts test side by side
xvfb_pid=""
if ! xdpyinfo -display "$display" >/dev/null 2>&1; then
  Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do xdpyinfo -display "$display" >/dev/null 2>&1 && break; sleep 0.1; done
fi
cleanup() { [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true; }
trap cleanup EXIT
export VIDLARK_E2E_DISPLAY=$display

ctest --test-dir "$build" --output-on-failure -j2 --timeout 900

# The device must not leak or corrupt memory on any file, good or bad.
asan=${build}-asan
cmake -S "$root" -B "$asan" -DCMAKE_BUILD_TYPE=Debug -DVIDLARK_SANITIZE=ON >/dev/null
cmake --build "$asan" -j2 --target mci_bad_files_test mci_events_test vidlark-probe
ASAN_OPTIONS=detect_leaks=1 ctest --test-dir "$asan" --output-on-failure -R '^mci_(bad_files|events)_test$'

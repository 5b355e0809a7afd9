#!/usr/bin/env bash
# Runs every test: the whole suite on the normal build (with the installed tree's
# test), the .deb built from it and checked by lintian, then the engine and sound
# suites again under AddressSanitizer/UBSan, and the threaded ones under
# ThreadSanitizer with a random-command run. Starts its own X server for the
# end-to-end runs.
set -euo pipefail
build=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)

display=${VIDLARK_DISPLAY:-:97}  # another number lets two checkouts test side by side
xvfb_pid=""
if ! xdpyinfo -display "$display" >/dev/null 2>&1; then
  # -noreset: a client that connects just as the last one leaves must not find it resetting.
  Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp -noreset >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do xdpyinfo -display "$display" >/dev/null 2>&1 && break; sleep 0.1; done
fi
cleanup() { [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true; }
trap cleanup EXIT
export VIDLARK_E2E_DISPLAY=$display

ctest --test-dir "$build" --output-on-failure -j2 --timeout 900

# The package, as cpack makes it from this build: what it holds, and lintian's verdict.
rm -rf "$build/package"
cpack --config "$build/CPackConfig.cmake" -B "$build/package" >/dev/null
deb=$(echo "$build"/package/vidlark_*.deb)
dpkg-deb --field "$deb" Package Version Depends
dpkg-deb --contents "$deb"
lintian --fail-on error --display-info "$deb"
echo "lintian: no errors in ${deb##*/}"

# The engine and its sound must not leak or corrupt memory on any file, good or bad.
asan=${build}-asan
cmake -S "$root" -B "$asan" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVIDLARK_SANITIZE=ON >/dev/null
cmake --build "$asan" -j2 --target vidlark-probe mci_frame_accuracy_test mci_bad_files_test mci_events_test \
  mci_sound_test audio_track_test sample_block_store_test mci_widget_tests
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir "$asan" --output-on-failure -j2 -R '^(mci_(frame_accuracy|bad_files|events|sound)|audio_track|sample_block_store|mci_widget)_tests?$'

# No data race between the device's threads, the sound thread and the control, and
# none under a storm of random commands.
tsan=${build}-tsan
cmake -S "$root" -B "$tsan" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVIDLARK_SANITIZE_THREAD=ON >/dev/null
cmake --build "$tsan" -j2 --target vidlark-bench mci_bad_files_test mci_events_test mci_sound_test \
  audio_track_test mci_widget_tests
export TSAN_OPTIONS="suppressions=$root/scripts/tsan.supp"
ctest --test-dir "$tsan" --output-on-failure -j2 -R '^(mci_(bad_files|events|sound)|audio_track|mci_widget)_tests?$'
"$tsan/bin/vidlark-bench" --commands 400 --seed 1 "$tsan/test-clips/events_gop250.avi"

# Hostile files: the fuzzer over its seed corpus, a fixed number of mutated inputs.
bash "$root/fuzz/run.sh" "${build}-fuzz" runs 2000

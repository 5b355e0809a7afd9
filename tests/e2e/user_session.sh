#!/usr/bin/env bash
# A user's session on a real X server, by mouse and keyboard only: open a clip through
# the file dialog, play it, leave with "Exit". The video window is checked against the
# clip's frames, decoded by ffmpeg.
#
# Environment: VIDLARK_BIN_DIR, VIDLARK_TEST_CLIPS; VIDLARK_E2E_DISPLAY (an X server to
# use, else one is started here); VIDLARK_E2E_WORK (screenshots and logs, kept; else a
# temporary folder).
set -euo pipefail

bin_dir=${VIDLARK_BIN_DIR:?VIDLARK_BIN_DIR names the folder holding vidlark}
clip_dir=${VIDLARK_TEST_CLIPS:?VIDLARK_TEST_CLIPS names the folder for test clips}
readonly width=160 height=120 frames=50 timeout=30  # timeout: seconds for any one thing the user waits for
# In pixels from the top-left corner of the window's client area.
readonly open_xy="380 40" play_xy="218 52" exit_xy="436 64"

keep_work=${VIDLARK_E2E_WORK:+1}
work=${VIDLARK_E2E_WORK:-$(mktemp -d)}
[ -z "$keep_work" ] || rm -rf "$work"
mkdir -p "$work/refs" "$clip_dir"

xvfb_pid="" app_pid=""
cleanup() {
  local pid
  for pid in $app_pid $xvfb_pid; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null || true; done
  [ -n "$keep_work" ] || rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

. "$(dirname "$0")/../support/x_session.sh"

if [ -n "${VIDLARK_E2E_DISPLAY:-}" ]; then
  export DISPLAY=$VIDLARK_E2E_DISPLAY
else
  start_xvfb "$work"
fi
wait_for "the X server on $DISPLAY" sh -c 'xdpyinfo >/dev/null 2>&1'

# The clip, and one tall image of all its frames (frame 0 on top) to compare a
# screenshot with every frame at once.
clip="$clip_dir/e2e_session.avi"
ffmpeg -v error -y -f lavfi -i "testsrc2=size=${width}x$height:rate=25:duration=2" -c:v mjpeg -q:v 3 "$clip"
ffmpeg -v error -i "$clip" -pix_fmt rgb24 "$work/refs/%03d.png"
convert "$work"/refs/*.png -append "$work/refs.png"

# The frame a screenshot shows, or "?". Distance to a frame: mean difference per colour
# channel, in percent. The nearest frame counts when it is close (scaling and colour
# conversion aside) and much closer than the next nearest.
shown_frame() {
  convert "$1" -resize "${width}x${height}!" -write mpr:shot +delete \
    "$work/refs.png" \( -size "${width}x$((height * frames))" tile:mpr:shot \) \
    -compose difference -composite -scale "1x${frames}!" -depth 16 txt:- 2>/dev/null |
    awk -F'[(),:]+' '
      NR > 1 {
        split($0, p, /[()]/); split(p[2], c, ",")
        d = (c[1] + c[2] + c[3]) / 3 / 65535 * 100
        if (best == "" || d < best) { second = best; best = d; frame = $2 }
        else if (second == "" || d < second) second = d
      }
      END { print (best != "" && second != "" && best <= 2 && second >= 1.5 * best) ? frame : "?" }'
}
video_shows() { import -window "$video" "$work/shot.png" && [ "$(shown_frame "$work/shot.png")" = "$1" ]; }
click() { xdotool mousemove --window "$main" "$1" "$2" click 1; }

mkdir -p -m 0700 "$work/runtime"
(cd "$work" && exec env QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work/runtime" XDG_CONFIG_HOME="$work/config" \
  "$bin_dir/vidlark") >"$work/vidlark.log" 2>&1 &
app_pid=$!
wait_for "the window \"Vidlark 1.0\"" window_named '^Vidlark 1\.0$' "$app_pid"
main=$found

click $open_xy
wait_for "the open-file dialog" window_named '^Open$' "$app_pid"
timeout "$timeout" xdotool windowfocus --sync "$found" || fail "could not give the dialog the focus"
xdotool type --delay 20 "$clip"
xdotool key Return
title_names_clip() { [ "$(xdotool getwindowname "$main")" = "Vidlark 1.0 - $clip" ]; }
wait_for "the title \"Vidlark 1.0 - $clip\"" title_names_clip
wait_for "the video window \"${clip##*/}\"" window_named "^${clip##*/}\$" "$app_pid"
video=$found

click $play_xy
last=$((frames - 1))
wait_for "frame $last at the end of the play" video_shows "$last"

click $exit_xy
program_ended() { ! kill -0 "$app_pid" 2>/dev/null; }
wait_for "vidlark to end after Exit" program_ended
wait "$app_pid" && rc=0 || rc=$?
app_pid=""
[ "$rc" -eq 0 ] || fail "vidlark ended with status $rc"
echo "opened through the dialog, played to frame $last, Exit: status 0"

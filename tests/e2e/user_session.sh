#!/usr/bin/env bash
# A new user's first session on a real X server, by mouse and keyboard only: open a clip
# through the file dialog, play it with Play and "LoopRev", seek with the slider, leave
# with "Exit". The video window is checked against the clip's frames, decoded by ffmpeg.
#
# Environment: VIDLARK_BIN_DIR, VIDLARK_TEST_CLIPS; VIDLARK_E2E_DISPLAY (an X server to
# use, else one is started here); VIDLARK_E2E_WORK (screenshots and logs, kept; else a
# temporary folder); VIDLARK_E2E_CLIP_SIZE (160x120); VIDLARK_E2E_SHOTS (if set, saves
# window_open.png and video_window.png there).
set -euo pipefail
export LC_ALL=C.UTF-8  # a decimal point in times

bin_dir=${VIDLARK_BIN_DIR:?VIDLARK_BIN_DIR names the folder holding vidlark}
clip_dir=${VIDLARK_TEST_CLIPS:?VIDLARK_TEST_CLIPS names the folder for test clips}
clip_size=${VIDLARK_E2E_CLIP_SIZE:-160x120}
readonly fps=25 seconds=2 timeout=30  # timeout: seconds for any one thing the user waits for
# The window's layout, in pixels from the top-left corner of its client area.
readonly open_xy="380 40" exit_xy="436 64" looprev_xy="100 64"
readonly slider_left=8 slider_width=441 slider_y=8
readonly control_left=168 control_width=184 control_y=52 control_buttons=9
readonly prev_button=0 play_button=2 stop_button=6

for tool in Xvfb xdpyinfo xdotool import convert ffmpeg bc; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed" >&2; exit 1; }
done

keep_work=${VIDLARK_E2E_WORK:+1}
work=${VIDLARK_E2E_WORK:-$(mktemp -d)}
[ -z "$keep_work" ] || rm -rf "$work"
mkdir -p "$work/refs" "$work/shots" "$clip_dir"

xvfb_pid="" app_pid=""
cleanup() {
  local rc=$? pid
  for pid in $app_pid $xvfb_pid; do
    kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null || true
  done
  if [ -n "$keep_work" ]; then
    [ "$rc" -eq 0 ] || echo "screenshots and logs kept in $work" >&2
  else
    rm -rf "$work"
  fi
}
trap cleanup EXIT
trap 'exit 1' INT TERM

start=$EPOCHREALTIME
now() { bc <<<"$EPOCHREALTIME - $start"; }
say() { printf '[%6.2fs] %s\n' "$(now)" "$*"; }
fail() {
  say "FAIL: $*" >&2
  [ ! -s "$work/vidlark.log" ] || { echo "--- vidlark's output:" >&2; cat "$work/vidlark.log" >&2; }
  exit 1
}
wait_for() {  # what, command...: runs the command until it succeeds, for at most $timeout s
  local what=$1 deadline=$((SECONDS + timeout))
  shift
  until "$@"; do
    [ "$SECONDS" -lt "$deadline" ] || fail "waited ${timeout}s for $what"
    sleep 0.1
  done
}

if [ -n "${VIDLARK_E2E_DISPLAY:-}" ]; then
  export DISPLAY=$VIDLARK_E2E_DISPLAY
else
  # The server picks a free display and writes its number once it accepts clients.
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  wait_for "the X server to start" test -s "$work/display"
  export DISPLAY=":$(head -n1 "$work/display")"
fi
wait_for "the X server on $DISPLAY" sh -c 'xdpyinfo >/dev/null 2>&1'

# The clip, its frames, and one tall image of them all (frame 0 on top) to compare a
# screenshot with every frame at once.
clip="$clip_dir/e2e_session.avi"
ffmpeg -v error -y -f lavfi -i "testsrc2=size=$clip_size:rate=$fps:duration=$seconds" \
  -f lavfi -i "sine=frequency=440:sample_rate=44100:duration=$seconds" \
  -c:v mjpeg -q:v 3 -c:a pcm_s16le -shortest "$clip"
ffmpeg -v error -i "$clip" -pix_fmt rgb24 "$work/refs/%03d.png"
frames=$(find "$work/refs" -name '*.png' | wc -l)
[ "$frames" -eq $((fps * seconds)) ] || fail "ffmpeg decoded $frames frames, not $((fps * seconds))"
width=${clip_size%x*} height=${clip_size#*x}
convert "$work"/refs/*.png -append "$work/refs.png"
say "X server on $DISPLAY; clip $clip: $frames frames of $clip_size"

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
shots=0
screenshot() {  # of window $1, into $last_shot
  shots=$((shots + 1))
  last_shot=$(printf '%s/shots/%04d.png' "$work" "$shots")
  import -window "$1" "$last_shot"
}
video_shows() { screenshot "$video" && [ "$(shown_frame "$last_shot")" = "$1" ]; }
click() { xdotool mousemove --window "$main" "$1" "$2" click 1; }
button_xy() {  # the centre of the control's transport button $1, from 0 at the left
  echo "$((control_left + (2 * $1 + 1) * control_width / (2 * control_buttons))) $control_y"
}
# Where a press sets the slider to value $1: it puts the thumb's centre (the thumb is
# some 15 pixels wide) under the mouse, and a value spans some 8 pixels of track.
slider_xy() {
  local thumb=15
  echo "$((slider_left + (thumb * frames + 2 * $1 * (slider_width - thumb) + frames) / (2 * frames))) $slider_y"
}

mkdir -p -m 0700 "$work/runtime"
(cd "$work" && exec env QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work/runtime" XDG_CONFIG_HOME="$work/config" \
  "$bin_dir/vidlark") \
  >"$work/vidlark.log" 2>&1 &
app_pid=$!
window_appears() {  # a visible window of vidlark's titled like the regex $1, into $found
  kill -0 "$app_pid" 2>/dev/null || fail "vidlark ended"
  found=$(xdotool search --all --onlyvisible --pid "$app_pid" --name "$1" 2>/dev/null | head -n1)
  [ -n "$found" ]
}
wait_for "the window \"Vidlark 1.0\"" window_appears '^Vidlark 1\.0$'
main=$found
say "window \"Vidlark 1.0\" is up"

click $open_xy
wait_for "the open-file dialog" window_appears '^Open$'
timeout "$timeout" xdotool windowfocus --sync "$found" || fail "could not give the dialog the focus"
xdotool type --delay 20 "$clip"
xdotool key Return
title_names_clip() { [ "$(xdotool getwindowname "$main")" = "Vidlark 1.0 - $clip" ]; }
wait_for "the title \"Vidlark 1.0 - $clip\"" title_names_clip
wait_for "the video window \"${clip##*/}\"" window_appears "^${clip##*/}\$"
video=$found
eval "$(xdotool getwindowgeometry --shell "$video" | sed 's/^/video_/')"
[ "${video_WIDTH}x$video_HEIGHT" = "$clip_size" ] || fail "the video window is ${video_WIDTH}x$video_HEIGHT"
wait_for "the first frame in the video window" video_shows 0
say "title names the clip; video window shows frame 0"

click $(button_xy $play_button)
click $looprev_xy
# From the "seconds frame" lines seen so far: "done" once the picture has gone up to the
# end, down to the start and up again, "more", or "bad: why". It may turn only at an
# end, give or take how far the play could move between the screenshots around the turn.
judge_play() {
  awk -v end=$((frames - 1)) -v fps=$fps 'BEGIN { m = 0 }
    $2 != "?" && (m == 0 || $2 != v[m - 1]) { v[m] = $2; first[m] = $1; m++ }
    $2 != "?" { last[m - 1] = $1 }
    END {
      for (k = 1; k < m; k++) {
        d = v[k] > v[k - 1] ? 1 : -1
        if (!dir && d < 0) { printf "bad: the picture went back from frame %d first\n", v[0]; exit }
        if (dir && d != dir) {
          slack = 3 + fps * (first[k] - last[k - 2])
          if (dir > 0 ? v[k - 1] < end - slack : v[k - 1] > slack) {
            printf "bad: turned at frame %d\n", v[k - 1]; exit
          }
          turns++; run = 0
        }
        dir = d; run++
      }
      print (turns >= 2 && dir > 0 && run >= 2) ? "done" : "more"
    }' "$work/play.txt"
}
: >"$work/play.txt"
deadline=$((SECONDS + 2 * timeout))
while :; do
  screenshot "$video"
  echo "$(now) $(shown_frame "$last_shot")" >>"$work/play.txt"
  verdict=$(judge_play)
  seen=$(awk '{ printf "%s ", $2 }' "$work/play.txt")
  [ "$verdict" != done ] || break
  [ "${verdict#bad}" = "$verdict" ] || fail "${verdict#bad: }; frames seen: $seen"
  [ "$SECONDS" -lt "$deadline" ] || fail "no forward, backward, forward play seen; frames seen: $seen"
  sleep 0.05  # sampling, leaving the player its share of the processor
done
unknown=$(grep -c ' ?$' "$work/play.txt" || true)
[ $((unknown * 4)) -le "$(wc -l <"$work/play.txt")" ] || fail "$unknown screenshots matched no frame: see $work/shots"
say "Play, LoopRev: the picture went forwards, backwards and forwards: $seen"

# Stopped at frame 0, the slider's thumb is away from every point clicked.
click $looprev_xy
click $(button_xy $stop_button)
click $(button_xy $prev_button)
wait_for "frame 0 after Stop and Prev" video_shows 0
for target in $((frames / 2)) $((frames / 4)) $((frames * 3 / 4)); do
  click $(slider_xy "$target")
  wait_for "frame $target after a click on the slider" video_shows "$target"
done
say "slider clicks showed frames $((frames / 2)), $((frames / 4)) and $((frames * 3 / 4))"

if [ -n "${VIDLARK_E2E_SHOTS:-}" ]; then
  mkdir -p "$VIDLARK_E2E_SHOTS"
  import -window "$main" "$VIDLARK_E2E_SHOTS/window_open.png"
  import -window "$video" "$VIDLARK_E2E_SHOTS/video_window.png"
fi

click $exit_xy
program_ended() { ! kill -0 "$app_pid" 2>/dev/null; }
wait_for "vidlark to end after Exit" program_ended
wait "$app_pid" && rc=0 || rc=$?
app_pid=""
[ "$rc" -eq 0 ] || fail "vidlark ended with status $rc"
say "Exit: vidlark ended with status 0"

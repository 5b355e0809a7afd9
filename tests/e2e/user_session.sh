#!/usr/bin/env bash
# A new user's first session, on a real X server, by mouse and keyboard only: open a clip
# through the file dialog, play it with the control's Play button and "LoopRev", seek
# with the slider, leave with "Exit". What the video window shows is checked against
# the clip's own frames, decoded by ffmpeg.
#
# Environment: VIDLARK_BIN_DIR (vidlark), VIDLARK_TEST_CLIPS (where the clip is made),
# VIDLARK_E2E_DISPLAY (an X server to use; without it one is started and stopped here),
# VIDLARK_E2E_WORK (kept for a look after a failure: screenshots, logs; a temporary
# folder without it), VIDLARK_E2E_CLIP_SIZE (default 160x120), VIDLARK_E2E_SHOTS (if set,
# the window with the clip open and the video window are saved there as
# window_open.png and video_window.png).
set -euo pipefail
export LC_ALL=C.UTF-8  # a decimal point in times

bin_dir=${VIDLARK_BIN_DIR:?VIDLARK_BIN_DIR names the folder holding vidlark}
clip_dir=${VIDLARK_TEST_CLIPS:?VIDLARK_TEST_CLIPS names the folder for test clips}
clip_size=${VIDLARK_E2E_CLIP_SIZE:-160x120}
readonly fps=25 seconds=2
readonly timeout=30  # seconds for any one thing the user waits for

# The window's layout, in pixels from the top-left corner of its client area.
readonly open_xy="380 40" exit_xy="436 64" looprev_xy="100 64"
readonly slider_left=8 slider_width=441 slider_y=8
readonly control_left=168 control_width=184 control_y=52 control_buttons=9
readonly prev_button=0 play_button=2

for tool in Xvfb xdpyinfo xdotool import convert ffmpeg; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed" >&2; exit 1; }
done

if [ -n "${VIDLARK_E2E_WORK:-}" ]; then
  work=$VIDLARK_E2E_WORK
  rm -rf "$work"
  keep_work=1
else
  work=$(mktemp -d)
  keep_work=0
fi
mkdir -p "$work/refs" "$work/shots" "$clip_dir"

xvfb_pid="" app_pid=""
cleanup() {
  local rc=$?
  if [ -n "$app_pid" ] && kill -0 "$app_pid" 2>/dev/null; then
    kill "$app_pid" 2>/dev/null || true
    wait "$app_pid" 2>/dev/null || true
  fi
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  if [ "$rc" -ne 0 ] && [ "$keep_work" = 1 ]; then
    echo "screenshots and logs kept in $work" >&2
  fi
  [ "$keep_work" = 1 ] || rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

start=$EPOCHREALTIME
say() { printf '[%6.2fs] %s\n' "$(bc <<<"$EPOCHREALTIME - $start")" "$*"; }
fail() {
  say "FAIL: $*" >&2
  if [ -s "$work/vidlark.log" ]; then
    echo "--- vidlark's output:" >&2
    cat "$work/vidlark.log" >&2
  fi
  exit 1
}

# Runs the command until it succeeds; fails with `what` after the timeout.
wait_for() {
  local what=$1
  shift
  local deadline=$((SECONDS + timeout))
  until "$@"; do
    [ "$SECONDS" -lt "$deadline" ] || fail "waited ${timeout}s for $what"
    sleep 0.1
  done
}

# --- the X server -------------------------------------------------------------------
if [ -n "${VIDLARK_E2E_DISPLAY:-}" ]; then
  display=$VIDLARK_E2E_DISPLAY
else
  # The server picks a free display itself and writes its number once it accepts clients.
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  wait_for "the X server to start" test -s "$work/display"
  display=":$(head -n1 "$work/display")"
fi
export DISPLAY=$display
x_server_answers() { xdpyinfo >/dev/null 2>&1; }
wait_for "the X server on $display" x_server_answers
say "X server on $display"

# --- the clip and its frames ----------------------------------------------------------
clip="$clip_dir/e2e_session.avi"
ffmpeg -v error -y -f lavfi -i "testsrc2=size=$clip_size:rate=$fps:duration=$seconds" \
  -f lavfi -i "sine=frequency=440:sample_rate=44100:duration=$seconds" \
  -c:v mjpeg -q:v 3 -c:a pcm_s16le -shortest "$clip"
ffmpeg -v error -i "$clip" -pix_fmt rgb24 "$work/refs/%03d.png"
frames=$(find "$work/refs" -name '*.png' | wc -l)
[ "$frames" -eq $((fps * seconds)) ] || fail "ffmpeg decoded $frames frames, not $((fps * seconds))"
width=${clip_size%x*} height=${clip_size#*x}
# One tall image, frame 0 on top: a screenshot is compared with every frame at once.
refs="$work/refs.png"
convert "$work"/refs/*.png -append "$refs"
say "clip $clip: $frames frames of $clip_size"

# Prints the frame of the clip a screenshot shows, or "?" when it shows none clearly.
# Its distance to each frame is the mean difference per colour channel, in percent; it
# shows the nearest frame when that one is close (scaling and the colour conversion
# aside) and much closer than the next nearest.
shown_frame() {
  convert "$1" -resize "${width}x${height}!" -write mpr:shot +delete \
    "$refs" \( -size "${width}x$((height * frames))" tile:mpr:shot \) \
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

shot_count=0
# Takes a screenshot of a window into $last_shot.
screenshot() {
  shot_count=$((shot_count + 1))
  last_shot=$(printf '%s/shots/%04d.png' "$work" "$shot_count")
  import -window "$1" "$last_shot"
}

video_shows() {
  screenshot "$video"
  [ "$(shown_frame "$last_shot")" = "$1" ]
}

click() {
  xdotool mousemove --window "$main" "$1" "$2" click 1
}

# The centre of one of the control's transport buttons, left to right from 0.
control_button_xy() {
  echo "$((control_left + (2 * $1 + 1) * control_width / (2 * control_buttons))) $control_y"
}

# The point of the slider's track that a press sets to `value`. A press puts the thumb's
# centre under the mouse, so the track's ends lie half a thumb in. The style's thumb is
# about 15 pixels wide; a value spans some 8 pixels of track, so a thumb a few pixels
# wider or narrower still lands on the same value.
slider_xy() {
  local thumb=15
  echo "$((slider_left + (thumb * frames + 2 * $1 * (slider_width - thumb) + frames) / (2 * frames))) $slider_y"
}

# --- start ----------------------------------------------------------------------------
mkdir -p -m 0700 "$work/runtime"
(
  cd "$work"
  unset QT_QPA_PLATFORM
  exec env QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work/runtime" "$bin_dir/vidlark"
) >"$work/vidlark.log" 2>&1 &
app_pid=$!

visible_window() {  # the program's visible window whose title matches the regex $1
  xdotool search --all --onlyvisible --pid "$app_pid" --name "$1" 2>/dev/null | head -n1
}
window_appears() {
  kill -0 "$app_pid" 2>/dev/null || fail "vidlark ended at start"
  found=$(visible_window "$1")
  [ -n "$found" ]
}

wait_for "the window \"Vidlark 1.0\"" window_appears '^Vidlark 1\.0$'
main=$found
[ "$(xdotool getwindowname "$main")" = "Vidlark 1.0" ] || fail "the window is titled $(xdotool getwindowname "$main")"
say "window \"Vidlark 1.0\" is up"

# --- open the clip --------------------------------------------------------------------
click $open_xy
wait_for "the open-file dialog" window_appears '^Open$'
dialog=$found
# What a user's click on the dialog would do: the typing goes to it.
timeout "$timeout" xdotool windowfocus --sync "$dialog" || fail "could not give the dialog the focus"
xdotool type --delay 20 "$clip"
xdotool key Return

title_names_clip() { [ "$(xdotool getwindowname "$main")" = "Vidlark 1.0 - $clip" ]; }
wait_for "the title \"Vidlark 1.0 - $clip\"" title_names_clip
say "title names the clip"

wait_for "the video window \"${clip##*/}\"" window_appears "^${clip##*/}\$"
video=$found
eval "$(xdotool getwindowgeometry --shell "$main" | sed 's/^/main_/')"
eval "$(xdotool getwindowgeometry --shell "$video" | sed 's/^/video_/')"
[ "${video_WIDTH}x$video_HEIGHT" = "$clip_size" ] ||
  fail "the video window is ${video_WIDTH}x$video_HEIGHT, the clip $clip_size"
[ "$video_Y" -ge $((main_Y + main_HEIGHT)) ] ||
  fail "the video window (top $video_Y) overlaps the main window (bottom $((main_Y + main_HEIGHT)))"
wait_for "the first frame in the video window" video_shows 0
say "video window shows frame 0"

# --- play forwards and backwards ------------------------------------------------------
click $(control_button_xy $play_button)
click $looprev_xy
say "Play and LoopRev clicked"

# Checks the frames seen so far ("seconds frame" lines, frames in the order seen).
# The picture must rise to the end, fall to the start and rise again, turning only at
# the ends of the clip: how near depends on how long the screenshots around the turn
# took. Prints "done", "more" (so far so good) or "bad: ...".
judge_play() {
  awk -v frames="$frames" -v fps="$fps" '
    BEGIN { m = 0 }
    $2 != "?" {
      if (m == 0 || $2 != v[m - 1]) { v[m] = $2; first[m] = $1; m++ }
      last[m - 1] = $1
    }
    END {
      dir = 0; turns = ""; run = 0
      for (k = 1; k < m; k++) {
        d = v[k] > v[k - 1] ? 1 : -1
        if (dir == 0) {
          if (d < 0) { printf "bad: the picture went back from frame %d to %d first\n", v[0], v[1]; exit }
          dir = d; run = 1; continue
        }
        if (d == dir) { run++; continue }
        slack = 3 + fps * (first[k] - last[k - 2])
        if (dir > 0 && v[k - 1] < frames - 1 - slack) {
          printf "bad: a forward play turned back at frame %d\n", v[k - 1]; exit
        }
        if (dir < 0 && v[k - 1] > slack) {
          printf "bad: a backward play turned forward at frame %d\n", v[k - 1]; exit
        }
        turns = turns (dir > 0 ? "^" : "v"); dir = d; run = 1
      }
      print (substr(turns, 1, 2) == "^v" && dir > 0 && run >= 2) ? "done" : "more"
    }' "$work/play.txt"
}

: >"$work/play.txt"
# What was seen so far, for a failure message: "seconds:frame" at each change.
seen() { awk 'BEGIN { last = "-" } $2 != last { printf "%.1f:%s ", $1, $2; last = $2 }' "$work/play.txt"; }
deadline=$((SECONDS + 2 * timeout))
while :; do
  screenshot "$video"
  echo "$(bc <<<"$EPOCHREALTIME - $start") $(shown_frame "$last_shot")" >>"$work/play.txt"
  verdict=$(judge_play)
  case $verdict in
    done) break ;;
    bad*) fail "${verdict#bad: }; seen: $(seen)" ;;
  esac
  [ "$SECONDS" -lt "$deadline" ] || fail "no forward, backward, forward play seen; seen: $(seen)"
  sleep 0.05  # sampling, leaving the player its share of the processor
done
samples=$(wc -l <"$work/play.txt")
unknown=$(grep -c ' ?$' "$work/play.txt" || true)
[ $((unknown * 4)) -le "$samples" ] ||
  fail "$unknown of $samples screenshots matched no frame of the clip: see $work/shots"
say "picture went forwards, backwards and forwards: frames $(awk '{ printf "%s ", $2 }' "$work/play.txt")"

# --- LoopRev off: the play in progress is the last ------------------------------------
click $looprev_xy
# Still at one end of the clip for a whole second: the play ended there and no other began.
: >"$work/still.txt"
picture_stays_at_an_end() {
  screenshot "$video"
  local frame now
  frame=$(shown_frame "$last_shot")
  now=$EPOCHREALTIME
  if [ "$frame" != 0 ] && [ "$frame" != $((frames - 1)) ]; then
    : >"$work/still.txt"
    return 1
  fi
  if ! grep -q " $frame\$" "$work/still.txt"; then
    echo "$now $frame" >"$work/still.txt"
    return 1
  fi
  [ "$(bc <<<"$now - $(cut -d' ' -f1 "$work/still.txt") >= 1")" = 1 ]
}
wait_for "the play to end at one end of the clip and stay there" picture_stays_at_an_end
say "LoopRev off: the play stopped at frame $(cut -d' ' -f2 "$work/still.txt")"

# --- seek with the slider -------------------------------------------------------------
# Prev puts the slider's thumb at 0, away from every point clicked below.
click $(control_button_xy $prev_button)
wait_for "frame 0 after Prev" video_shows 0
for target in $((frames / 2)) $((frames / 4)) $((frames * 3 / 4)); do
  click $(slider_xy "$target")
  wait_for "frame $target after a click on the slider" video_shows "$target"
  say "slider clicked at $target: frame $target shown"
done

if [ -n "${VIDLARK_E2E_SHOTS:-}" ]; then
  mkdir -p "$VIDLARK_E2E_SHOTS"
  import -window "$main" "$VIDLARK_E2E_SHOTS/window_open.png"
  import -window "$video" "$VIDLARK_E2E_SHOTS/video_window.png"
  say "screenshots saved in $VIDLARK_E2E_SHOTS"
fi

# --- leave ----------------------------------------------------------------------------
click $exit_xy
program_ended() { ! kill -0 "$app_pid" 2>/dev/null; }
wait_for "vidlark to end after Exit" program_ended
rc=0
wait "$app_pid" || rc=$?
app_pid=""
[ "$rc" -eq 0 ] || fail "vidlark ended with status $rc"
say "Exit: vidlark ended with status 0"

#!/usr/bin/env bash
# The video window on the screens users have, each an X server of its own with no window
# manager: the player started on a clip, the video window's place and size on the screen
# (exact; on it, off the main window, the clip's shape to a pixel; on a screen too small
# for both, under the main window), then a click on Play that must reach the button and
# play the clip. A screenshot of each screen.
# Environment: VIDLARK_BUILD_DIR, VIDLARK_TEST_CLIPS; VIDLARK_FIT_WORK (kept; else a
# temporary folder).
set -euo pipefail
build=${VIDLARK_BUILD_DIR:?VIDLARK_BUILD_DIR names the build folder}
clip_dir=${VIDLARK_TEST_CLIPS:?VIDLARK_TEST_CLIPS names the folder for test clips}
readonly timeout=30 play_xy=(218 52)  # Play, in the main window's logical pixels

for tool in Xvfb xwininfo xdotool import ffmpeg; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed" >&2; exit 1; }
done
work=${VIDLARK_FIT_WORK:-$(mktemp -d)}
rm -rf "$work" && mkdir -p "$work" "$clip_dir" && mkdir -m 0700 "$work/runtime"
keep_work=${VIDLARK_FIT_WORK:-}
source "$(dirname "$0")/../support/x_session.sh"

# One server per screen size, started side by side; each picks a free display.
declare -A display
readonly screens=(1366x768 1920x1080 480x272)
for screen in "${screens[@]}"; do
  Xvfb -displayfd 3 -screen 0 "${screen}x24" -nolisten tcp -noreset 3>"$work/display-$screen" \
    >"$work/xvfb-$screen.log" 2>&1 &
  pids+=("$!")
done
for screen in "${screens[@]}"; do
  wait_for "the $screen X server" test -s "$work/display-$screen"
  display[$screen]=":$(head -n1 "$work/display-$screen")"
done

# Red in the middle for its first half second, blue after: what shows says whether it played.
clip() {  # WxH: the clip's path, made once
  local path="$clip_dir/fit_$1.avi" box="x=iw*7/16:y=ih*7/16:w=iw/8:h=ih/8:t=fill"
  if [ ! -s "$path" ]; then
    ffmpeg -v error -y -f lavfi -i "testsrc2=s=$1:r=10:d=1" \
      -vf "drawbox=$box:color=red:enable='lt(t,0.5)',drawbox=$box:color=blue:enable='gte(t,0.5)'" \
      -c:v mpeg4 -q:v 8 "$path.part.avi" && mv "$path.part.avi" "$path"
  fi
  echo "$path"
}
geometry() {  # window: its WxH+X+Y
  eval "$(xdotool getwindowgeometry --shell "$1")"
  echo "${WIDTH}x${HEIGHT}+$X+$Y"
}
middle_is() {  # red|blue: the video window's middle pixel is mostly that colour
  local rgb
  rgb=$(import -window "$video" -gravity center -crop 1x1+0+0 -depth 8 txt:- 2>/dev/null | grep -o '#[0-9A-F]\{6\}') ||
    return 1
  local r=$((16#${rgb:1:2})) b=$((16#${rgb:5:2}))
  case $1 in red) [ "$r" -gt 180 ] && [ "$b" -lt 80 ] ;; blue) [ "$b" -gt 180 ] && [ "$r" -lt 80 ] ;; esac
}

# screen, scale factor, clip size, the video window expected (device pixels). Only the
# smallest screen may put them one over the other.
check() {
  local screen=$1 scale=$2 size=$3 expected=$4 name="$1 x$2 $3"
  export DISPLAY=${display[$screen]}
  local path
  path=$(clip "$size") || fail "could not make the $size clip"
  (cd "$work" && exec env QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR="$scale" XDG_RUNTIME_DIR="$work/runtime" \
    XDG_CONFIG_HOME="$work/config" "$build/bin/vidlark" "$path") >"$work/player.log" 2>&1 &
  local app=$!
  pids+=("$app")
  wait_for "the video window ($name)" window_named "^fit_$size\.avi\$" "$app"
  video=$found
  window_named '^Vidlark 1\.0 - ' "$app" || fail "$name: no main window"
  main=$found
  wait_for "the first picture ($name)" middle_is red

  local shown main_at
  shown=$(geometry "$video") main_at=$(geometry "$main")
  IFS='x+' read -r w h x y <<<"$shown"
  IFS='x+' read -r mw mh mx my <<<"$main_at"
  IFS='x' read -r sw sh <<<"$screen"
  IFS='x' read -r cw ch <<<"$size"
  [ "$shown" = "$expected" ] || fail "$name: the video window is $shown, not $expected (main window $main_at)"
  [ "$x" -ge 0 ] && [ "$y" -ge 0 ] && [ $((x + w)) -le "$sw" ] && [ $((y + h)) -le "$sh" ] ||
    fail "$name: the video window $shown runs off the screen"
  if [ $((x + w)) -gt "$mx" ] && [ $((mx + mw)) -gt "$x" ] && [ $((y + h)) -gt "$my" ] &&
    [ $((my + mh)) -gt "$y" ]; then
    [ "$screen" = 480x272 ] || fail "$name: the video window $shown covers the main window $main_at"
    # xwininfo lists the top window first.
    local top
    top=$(xwininfo -root -children | grep -m1 -E "^ *($(printf '0x%x|0x%x' "$main" "$video")) " | awk '{print $1}')
    [ "$top" = "$(printf '0x%x' "$main")" ] || fail "$name: the video window $shown is over the main window $main_at"
  fi
  local skew=$((w * ch - h * cw)) pixel=$(((cw > ch ? cw : ch) * scale))
  [ "${skew#-}" -le "$pixel" ] || fail "$name: $shown is not the clip's shape"
  import -window root "$work/screen_${screen}_x${scale}_$size.png"

  xdotool mousemove --window "$main" $((play_xy[0] * scale)) $((play_xy[1] * scale)) click 1
  wait_for "the play to reach its blue half ($name)" middle_is blue
  kill "$app" && wait "$app" 2>/dev/null || true
  echo "$name: video window $shown, main window $main_at; Play played"
}

check 1366x768 1 1280x720 983x553+101+215
check 1366x768 1 160x120 160x120+101+215
check 1920x1080 1 1920x1080 1537x865+101+215
check 1920x1080 1 3840x2160 1537x865+101+215
check 1920x1080 2 1280x720 1154x650+202+430
check 480x272 1 160x120 160x120+0+0

#!/usr/bin/env bash
# The player as a user gets it, installed into a prefix then moved: clean by the desktop's
# validators; a bad file named on its command line reported on standard error; on a real
# X server, by mouse and keyboard, a clip opened through the dialog and played to its last
# frame (checked against ffmpeg's decode), Help! starting the installed viewer, Exit.
# Environment: VIDLARK_BUILD_DIR, VIDLARK_TEST_CLIPS; VIDLARK_E2E_DISPLAY (an X server to
# use, else one is started here); VIDLARK_INSTALL_WORK (kept; else a temporary folder).
set -euo pipefail
build=${VIDLARK_BUILD_DIR:?VIDLARK_BUILD_DIR names the build folder}
clip_dir=${VIDLARK_TEST_CLIPS:?VIDLARK_TEST_CLIPS names the folder for test clips}
# timeout: seconds for any one thing the user waits for; places: in the window's client area.
readonly timeout=30 width=160 height=120 frames=50 open_xy="380 40" play_xy="218 52" help_xy="380 64" exit_xy="436 64"

for tool in Xvfb xdpyinfo xdotool identify convert import ffmpeg desktop-file-validate appstreamcli man; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed" >&2; exit 1; }
done
work=${VIDLARK_INSTALL_WORK:-$(mktemp -d)}
rm -rf "$work"
mkdir -p "$work/refs" "$clip_dir" && mkdir -m 0700 "$work/runtime"
clip_dir=$(realpath "$clip_dir")
keep_work=${VIDLARK_INSTALL_WORK:-}
source "$(dirname "$0")/../support/x_session.sh"

# A prefix with a blank in it, moved after the install: nothing may depend on where.
cmake --install "$build" --prefix "$work/first place/usr" >"$work/install.log"
mv "$work/first place" "$work/my root"
prefix="$work/my root/usr"
(cd "$prefix" && find . -type f | sort) | tee "$work/files.txt"
for file in bin/vidlark libexec/vidlark/winhelp share/vidlark/vlrk10.hlp share/man/man1/vidlark.1.gz \
  share/applications/org.vidlark.Vidlark.desktop share/metainfo/org.vidlark.Vidlark.metainfo.xml \
  share/icons/hicolor/scalable/apps/org.vidlark.Vidlark.svg share/doc/vidlark/copyright; do
  [ -f "$prefix/$file" ] || fail "$file was not installed"
done
! grep -q -e test -e probe -e bench "$work/files.txt" || fail "a tool or a test was installed"
desktop-file-validate "$prefix/share/applications/org.vidlark.Vidlark.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net --strict "$prefix/share/metainfo/org.vidlark.Vidlark.metainfo.xml" ||
  fail "appstreamcli validate"
man_warnings=$(man --warnings -l "$prefix/share/man/man1/vidlark.1.gz" 2>&1 >/dev/null)
[ -z "$man_warnings" ] || fail "man reports: $man_warnings"
pngs=0
for png in "$prefix"/share/icons/hicolor/*x*/apps/org.vidlark.Vidlark.png; do
  size=${png%/apps/*}
  [ "$(identify -format '%wx%h' "$png")" = "${size##*/}" ] || fail "$png is not ${size##*/}"
  pngs=$((pngs + 1))
done
[ "$pngs" -ge 6 ] || fail "only $pngs PNG icons"
echo "validators: desktop entry, metainfo, manual page and $pngs icons are clean"

vidlark=$prefix/bin/vidlark
version=$(env -u DISPLAY QT_QPA_PLATFORM= "$vidlark" --version) || fail "--version failed"
[ "$version" = "vidlark 1.0.0.0" ] || fail "--version printed '$version'"
run_installed() {  # log name, platform, arguments...: starts the installed player, into $app
  local log=$1 platform=$2
  shift 2
  (cd "$work" && exec env PATH=/usr/bin:/bin QT_QPA_PLATFORM="$platform" XDG_RUNTIME_DIR="$work/runtime" \
    XDG_CONFIG_HOME="$work/config" "$vidlark" "$@") >"$work/$log.log" 2>&1 &
  app=$!
  pids+=("$app")
}

# A bad file: its numbered error, on standard error too, and the player goes on.
printf 'RIFF and nothing else' >"$work/bad clip.avi"
run_installed bad offscreen "$work/bad clip.avi"
error_told() { grep -Eqs '^vidlark: error [0-9]+: .+' "$work/bad.log"; }
wait_for "the bad file's error on standard error" error_told
kill -0 "$app" 2>/dev/null || fail "the player ended on a bad file"
kill "$app" && echo "bad file: $(grep '^vidlark: error' "$work/bad.log")"

if [ -n "${VIDLARK_E2E_DISPLAY:-}" ]; then
  export DISPLAY=$VIDLARK_E2E_DISPLAY
else  # -noreset: a client that connects just as the last one leaves must not find it resetting
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display" >"$work/xvfb.log" 2>&1 &
  pids+=("$!")
  wait_for "the X server to start" test -s "$work/display"
  export DISPLAY=":$(head -n1 "$work/display")"
fi
wait_for "the X server on $DISPLAY" sh -c 'xdpyinfo >/dev/null 2>&1'

# The clip, and one tall image of all its frames (frame 0 on top) to compare a
# screenshot with every frame at once.
clip="$clip_dir/installed player [1].avi"
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

run_installed player xcb
wait_for "the window \"Vidlark 1.0\"" window_named '^Vidlark 1\.0$' "$app"
main=$found
click $open_xy
wait_for "the open-file dialog" window_named '^Open$' "$app"
timeout "$timeout" xdotool windowfocus --sync "$found" || fail "could not give the dialog the focus"
xdotool type --delay 20 "$clip"
xdotool key Return
title_names_clip() { [ "$(xdotool getwindowname "$main")" = "Vidlark 1.0 - $clip" ]; }
wait_for "the title naming the clip" title_names_clip
wait_for "the video window" window_named "^$(printf '%s' "${clip##*/}" | sed 's/[][\.*^$]/\\&/g')\$" "$app"
video=$found
click $play_xy
wait_for "frame $((frames - 1)) at the end of the play" video_shows $((frames - 1))
echo "opened through the dialog, played to frame $((frames - 1))"

click $help_xy
wait_for "the help viewer on the installed help file" window_named '^Vidlark 1\.0 Help$'
viewer=$(xdotool getwindowpid "$found") && pids+=("$viewer")
[ "$(readlink "/proc/$viewer/exe")" = "$prefix/libexec/vidlark/winhelp" ] || fail "another viewer started"
echo "Help! started the installed viewer on the installed help file"
kill "$viewer"  # it may cover the main window
viewer_gone() { ! window_named '^Vidlark 1\.0 Help$'; }
wait_for "the help viewer to close" viewer_gone

click $exit_xy
player_ended() { ! kill -0 "$app" 2>/dev/null; }
wait_for "the player to end after Exit" player_ended
wait "$app" || fail "the player ended with status $?"

#!/usr/bin/env bash
# Installs the build into a temporary prefix and uses it as a user would: the desktop
# entry and the metadata pass Debian's validators, the manual page reads cleanly, every
# icon has its folder's size; the installed player, with only the system on PATH, opens
# the clip named on its command line, reports a bad one on standard error and goes on,
# and its Help! button starts the installed viewer on the installed help file.
#
# Environment: VIDLARK_BUILD_DIR, VIDLARK_TEST_CLIPS; VIDLARK_INSTALL_WORK (kept; else
# a temporary folder). Starts its own X server.
set -euo pipefail
build=${VIDLARK_BUILD_DIR:?VIDLARK_BUILD_DIR names the build folder}
clip_dir=${VIDLARK_TEST_CLIPS:?VIDLARK_TEST_CLIPS names the folder for test clips}
readonly timeout=30 help_xy="380 64" exit_xy="436 64"

for tool in Xvfb xdpyinfo xdotool identify ffmpeg desktop-file-validate appstreamcli man; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed" >&2; exit 1; }
done
work=${VIDLARK_INSTALL_WORK:-$(mktemp -d)}
rm -rf "$work"
mkdir -p "$work" "$clip_dir"
clip_dir=$(realpath "$clip_dir")
pids=()
cleanup() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  [ -n "${VIDLARK_INSTALL_WORK:-}" ] || rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM
. "$(dirname "$0")/../support/x_session.sh"

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
  size=${size##*/}
  [ "$(identify -format '%wx%h' "$png")" = "$size" ] || fail "$png is not $size"
  pngs=$((pngs + 1))
done
[ "$pngs" -ge 6 ] || fail "only $pngs PNG icons"
echo "validators: desktop entry, metainfo, manual page and $pngs icons are clean"

vidlark=$prefix/bin/vidlark
version=$(env -u DISPLAY QT_QPA_PLATFORM= "$vidlark" --version) || fail "--version failed"
[ "$version" = "vidlark 1.0.0.0" ] || fail "--version printed '$version'"
env -u DISPLAY QT_QPA_PLATFORM= "$vidlark" --help | grep -q '\[FILE\]' || fail "--help names no FILE"

clip="$clip_dir/installed player [1].avi"
ffmpeg -v error -y -f lavfi -i testsrc2=size=160x120:rate=25:duration=1 -c:v mjpeg "$clip"
bad="$work/bad clip.avi"
printf 'RIFF and nothing else' >"$bad"

# An X server of its own, whatever else runs beside: the server picks a free display.
start_xvfb "$work"
pids+=("$xvfb_pid")
wait_for "the X server on $DISPLAY" sh -c 'xdpyinfo >/dev/null 2>&1'
mkdir -p -m 0700 "$work/runtime"
run_installed() {  # log name, platform, arguments...: starts the installed player, into $app
  local log=$1 platform=$2
  shift 2
  (cd "$work" && exec env PATH=/usr/bin:/bin QT_QPA_PLATFORM="$platform" XDG_RUNTIME_DIR="$work/runtime" \
    XDG_CONFIG_HOME="$work/config" "$vidlark" "$@") >"$work/$log.log" 2>&1 &
  app=$!
  pids+=("$app")
}

# A bad file: its numbered error, on standard error too, and the player goes on.
run_installed bad offscreen "$bad"
error_told() { grep -Eqs '^vidlark: error [0-9]+: .+' "$work/bad.log"; }
wait_for "the bad file's error on standard error" error_told
kill -0 "$app" 2>/dev/null || fail "the player ended on a bad file"
kill "$app"
echo "bad file: $(grep '^vidlark: error' "$work/bad.log")"

run_installed player xcb "$clip"
# Seldom, with other X servers starting and stopping on the machine, a client is refused
# at its first connection; that says nothing of the player, so it gets one more start.
refused() { ! kill -0 "$app" 2>/dev/null && grep -q 'could not connect to display' "$work/player.log"; }
started() { refused || window_named '^Vidlark 1\.0' "$app"; }
wait_for "the player's window" started
if refused; then
  echo "the X server refused the player's connection; starting it again" >&2
  run_installed player xcb "$clip"
fi
wait_for "the title naming the clip" window_named "^Vidlark 1\.0 - $(printf '%s' "$clip" | sed 's/[][\.*^$]/\\&/g')\$" "$app"
main=$found
wait_for "the video window" window_named "^installed player \[1\]\.avi\$" "$app"
echo "the installed player opened the clip named on its command line"

xdotool mousemove --window "$main" $help_xy click 1
wait_for "the help viewer on the installed help file" window_named '^Vidlark 1\.0 Help$'
viewer=$(xdotool getwindowpid "$found")
pids+=("$viewer")
[ "$(readlink "/proc/$viewer/exe")" = "$prefix/libexec/vidlark/winhelp" ] || fail "another viewer started"
echo "Help! started the installed viewer on the installed help file"
kill "$viewer"  # it may cover the main window
viewer_gone() { ! window_named '^Vidlark 1\.0 Help$'; }
wait_for "the help viewer to close" viewer_gone

xdotool mousemove --window "$main" $exit_xy click 1
player_ended() { ! kill -0 "$app" 2>/dev/null; }
wait_for "the player to end after Exit" player_ended
wait "$app" || fail "the player ended with status $?"

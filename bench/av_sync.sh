#!/usr/bin/env bash
# Picture against sound on the real player, run by hand (not in CI). On its own X
# server the player of each BIN_DIR in turn plays clips with one white frame and one
# 20 ms click at every whole second, its sound going to a file through SDL's disk
# driver, while vidlark-av-sync watches the video window and that file. Each play:
#   forward   the 22 s clip from its start to its end
#   backward  the same, backwards from its end ("Reverse" checked)
#   switches  forwards, "Sound" cleared at 6 s and set at 10 s, the slider clicked at 14 s
#   turns     "LoopRev" on a 1 s clip whose white frames and clicks are at 40 ms from
#             either end, for 20 s: every second's moment comes just after a play starts
# Usage: bench/av_sync.sh BIN_DIR [BIN_DIR...]   ROUNDS (3) rounds, the builds in turn;
# PLAYS picks the plays (all four); KEEP=PREFIX keeps each play's sound and the player's
# log as PREFIX.PLAY.f32 and .log. The sampler is SAMPLER (build/bin/vidlark-av-sync,
# `cmake --build build --target vidlark-av-sync`); VIDLARK_BENCH_DISPLAY=:N takes that
# X display instead of a free one.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
sampler=${SAMPLER:-$root/build/bin/vidlark-av-sync}
rounds=${ROUNDS:-3}
plays=${PLAYS:-forward backward switches turns}
[ $# -ge 1 ] || { echo "usage: $0 BIN_DIR [BIN_DIR...]" >&2; exit 2; }
[ -x "$sampler" ] || { echo "no $sampler: cmake --build build --target vidlark-av-sync" >&2; exit 2; }

# White frames where `frames` says, each with a click from its first instant, growing
# louder over 20 ms so that the way it was played shows.
clips=$root/bench/clips
make_clip() {  # name seconds frames(select expression on n) click-start(expression on t)
  [ -f "$clips/$1.avi" ] && return
  mkdir -p "$clips"
  ffmpeg -hide_banner -loglevel error -nostdin -y \
    -f lavfi -i "color=black:s=320x240:r=25:d=$2,drawbox=c=white:t=fill:enable='$3'" \
    -f lavfi -i "aevalsrc='st(0\,$4)\;(0.25+25*ld(0))*cos(2*PI*1000*ld(0))*between(ld(0)\,0\,0.0199)':s=48000:d=$2" \
    -c:v mjpeg -q:v 3 -c:a pcm_s16le -ac 2 "$clips/$1.partial.avi"
  mv "$clips/$1.partial.avi" "$clips/$1.avi"
}
make_clip av_sync 22 'eq(mod(n\,25)\,0)' 'mod(t\,1)'
make_clip av_sync_turns 1 'eq(n\,1)+eq(n\,23)' 'if(lt(t\,0.5)\,t-0.04\,t-0.92)'

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

if [ -n "${VIDLARK_BENCH_DISPLAY:-}" ]; then
  Xvfb "$VIDLARK_BENCH_DISPLAY" -screen 0 1280x1024x24 -nolisten tcp -noreset >/dev/null 2>&1 &
  pids+=("$!")
  export DISPLAY=$VIDLARK_BENCH_DISPLAY
else
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display" >/dev/null 2>&1 &
  pids+=("$!")
  until [ -s "$work/display" ]; do sleep 0.1; done
  export DISPLAY=":$(head -n1 "$work/display")"
fi
until xdpyinfo >/dev/null 2>&1; do sleep 0.1; done

window() {  # regex: the visible window so named
  local found=""
  for _ in $(seq 100); do
    found=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1) && [ -n "$found" ] && break
    sleep 0.1
  done
  [ -n "$found" ] || { echo "no window $1" >&2; exit 1; }
  echo "$found"
}

# Places in the main window's client area.
click() { xdotool mousemove --window "$main" "$1" "$2" click 1; }
sound_box() { click 15 40; }
reverse_box() { click 94 40; }
looprev_box() { click 94 64; }
play_button() { click 218 52; }
slider_at() { click $((15 + $1 * 432 / 550)) 8; }  # frame of the 22 s clip

run() {  # bin play
  local bin=$1 play=$2 clip=av_sync seconds=24 app sampling
  [ "$play" = turns ] && clip=av_sync_turns seconds=20
  rm -f "$work/sound.f32"
  env QT_QPA_PLATFORM=xcb XDG_CONFIG_HOME="$work/config" SDL_AUDIODRIVER=disk \
    SDL_DISKAUDIOFILE="$work/sound.f32" "$bin/vidlark" "$clips/$clip.avi" >"$work/player.log" 2>&1 &
  app=$!
  main=$(window '^Vidlark 1\.0 - ')
  video=$(window "^$clip\\.avi\$")
  case $play in
    backward) reverse_box ;;
    turns) looprev_box ;;
  esac
  "$sampler" "$video" "$work/sound.f32" "$seconds" >"$work/result" &
  sampling=$!
  sleep 0.5  # the sampler sees the picture before the play
  play_button
  if [ "$play" = switches ]; then
    sleep 6 && sound_box && sleep 4 && sound_box && sleep 4 && slider_at 400
  fi
  wait "$sampling" || true
  kill "$app" && wait "$app" 2>/dev/null || true
  [ -z "${KEEP:-}" ] || { cp "$work/sound.f32" "$KEEP.$play.f32" && cp "$work/player.log" "$KEEP.$play.log"; }
  echo "$bin $play | $(cat "$work/result")"
}

for _ in $(seq "$rounds"); do
  for bin in "$@"; do
    for play in $plays; do run "$(cd "$bin" && pwd)" "$play"; done
  done
done

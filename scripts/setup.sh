#!/usr/bin/env bash
# Installs what Vidlark needs on Debian 12, where it is missing.
#   scripts/setup.sh run    building and running the player (make run, ./run.sh)
#   scripts/setup.sh test   that, and the tests, the package and its checks (make test)
set -euo pipefail
group=${1:-run}
run=(
  build-essential make cmake pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev fonts-dejavu-core
  libavformat-dev libavcodec-dev libswscale-dev libswresample-dev libavutil-dev
  libsdl2-dev
  ffmpeg  # the sample clip; the build goes without it
)
test=(
  libgtest-dev googletest
  xvfb xdotool imagemagick x11-utils
  appstream desktop-file-utils man-db lintian dpkg-dev file
  mpv jq bc time python3  # make bench
  libx11-dev  # bench/av_sync.sh's sampler
  clang libclang-rt-dev  # the fuzzer
)
case $group in
  run) packages=("${run[@]}") ;;
  test) packages=("${run[@]}" "${test[@]}") ;;
  *) echo "usage: $0 [run|test]" >&2; exit 2 ;;
esac
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -q
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

#!/usr/bin/env bash
# Makes the fuzzer's seed corpus: tiny clips of the codecs and sound formats a player
# meets in AVI files, so that mutation starts from real structure.
set -euo pipefail
out=${1:?usage: make_corpus.sh FOLDER}
mkdir -p "$out"
src=(-f lavfi -i "testsrc2=s=32x24:r=10:d=0.8" -f lavfi -i "sine=f=440:r=8000:d=0.8")
make() {
  local name=$1; shift
  [ -s "$out/$name.avi" ] || ffmpeg -hide_banner -loglevel error -nostdin -y "${src[@]}" "$@" -shortest -f avi "$out/$name.avi"
}
make mjpeg_pcm -c:v mjpeg -pix_fmt yuvj420p -c:a pcm_s16le
make mpeg4_mp3 -c:v mpeg4 -g 4 -bf 1 -c:a libmp3lame -ar 22050
make h264_pcm_u8 -c:v libx264 -g 5 -bf 2 -pix_fmt yuv420p -c:a pcm_u8
make msvideo1_adpcm -c:v msvideo1 -c:a adpcm_ms
make pal8_alaw -vf "split[a][b];[a]palettegen=stats_mode=single:max_colors=16[p];[b][p]paletteuse=new=1" -c:v rawvideo -pix_fmt pal8 -c:a pcm_alaw
make cinepak_mulaw -c:v cinepak -c:a pcm_mulaw
make huffyuv_ima -c:v huffyuv -c:a adpcm_ima_wav
make xvid_ac3 -c:v libxvid -g 4 -bf 2 -c:a ac3 -ar 48000

#!/usr/bin/env bash
# Measures vidlark-bench side by side with ffmpeg and mpv on generated clips and writes
# the table of BENCHMARKS.md. Usage: bench/compare.sh [BIN_DIR] [RUNS]
# Clips are generated into bench/clips (never committed). Medians of RUNS runs.
# With BASELINE_BIN set to another build's bin folder, a second table sets that build's
# vidlark-bench against this one, the two run in turn on each clip.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=$(cd "${1:-$root/build/bin}" && pwd)
runs=${2:-3}
clips=$root/bench/clips
out=$root/bench/results
mkdir -p "$clips" "$out"

make_clip() {  # name size seconds codec-args...
  local name=$1 size=$2 duration=$3; shift 3
  [ -f "$clips/$name.avi" ] && return
  ffmpeg -hide_banner -loglevel error -nostdin -y \
    -f lavfi -i "testsrc2=s=$size:r=25:d=$duration" -f lavfi -i "sine=f=440:d=$duration" \
    "$@" -g 250 -c:a libmp3lame -b:a 128k -shortest "$clips/$name.partial.avi"
  mv "$clips/$name.partial.avi" "$clips/$name.avi"
}
make_clip mpeg4_640x480 640x480 60 -c:v mpeg4 -q:v 3 -bf 2
make_clip mpeg4_1280x720 1280x720 60 -c:v mpeg4 -q:v 3 -bf 2
make_clip h264_1920x1080 1920x1080 60 -c:v libx264 -preset veryfast -crf 23 -bf 3 -pix_fmt yuv420p
make_clip h264_3840x2160 3840x2160 12 -c:v libx264 -preset superfast -crf 23 -bf 3 -pix_fmt yuv420p
names=(mpeg4_640x480 mpeg4_1280x720 h264_1920x1080 h264_3840x2160)

median() { sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
seconds() { local t0 t1; t0=$(date +%s.%N); "$@" >/dev/null 2>&1; t1=$(date +%s.%N); echo "$t1 - $t0" | bc -l; }
peak_mb() { /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -1 | awk '{printf "%.0f", $1/1024}'; }

mpv_loud=(mpv --no-config --vo=null --ao=null --ao-null-untimed --untimed)
mpv_base=("${mpv_loud[@]}" --really-quiet)

json() { jq -r ".$1"; }

{
  echo "| clip | ffmpeg -threads 1 (s) | ffmpeg auto (s) | vidlark forward (s) | forward / ffmpeg auto | mpv forward (s) | vidlark backward (s) | backward / forward | mpv backward (s) | mpv backward pictures discarded | mpv / vidlark backward | vidlark peak (MB) | mpv backward peak (MB) | vidlark 100 Back (ms) | mpv 100 back-steps (ms) | mpv / vidlark Back | vidlark seek mean (ms) | mpv exact seek median (ms) | open (ms) | dropped fwd/bwd |"
  echo "|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|"
  for name in "${names[@]}"; do
    clip=$clips/$name.avi
    ff1=$(for _ in $(seq "$runs"); do seconds ffmpeg -nostdin -threads 1 -i "$clip" -f null -; done | median)
    ffa=$(for _ in $(seq "$runs"); do seconds ffmpeg -nostdin -i "$clip" -f null -; done | median)
    mpvf=$(for _ in $(seq "$runs"); do seconds "${mpv_base[@]}" "$clip"; done | median)
    mpvb=$(for _ in $(seq "$runs"); do seconds "${mpv_base[@]}" --play-dir=backward --start=100% "$clip"; done | median)
    mpvmem=$(peak_mb "${mpv_base[@]}" --play-dir=backward --start=100% "$clip")
    # Where its reversal buffer overflows, mpv drops pictures instead of showing them.
    mpvlost=$("${mpv_loud[@]}" --play-dir=backward --start=100% "$clip" 2>&1 | grep -c 'Reversal queue overflow' || true)
    mpvback=$(echo "$(python3 "$root/bench/mpv_ipc.py" back100 "$clip") * 1000" | bc -l)
    mpvseek=$(python3 "$root/bench/mpv_ipc.py" seek50 "$clip")
    for i in $(seq "$runs"); do "$bin/vidlark-bench" "$clip" > "$out/$name.$i.json"; done
    pick() { for i in $(seq "$runs"); do json "$1" < "$out/$name.$i.json"; done | median; }
    vf=$(pick forward_s); vb=$(pick backward_s); vback=$(pick back100_ms); vseek=$(pick seek50_ms)
    vmem=$(pick peak_rss_mb); vopen=$(pick open_ms); df=$(pick dropped_forward); db=$(pick dropped_backward)
    vseekmed=$(echo "$vseek / 50" | bc -l)
    printf '| %s | %.2f | %.2f | %.2f | %.2f | %.2f | %.2f | %.2f | %.2f | %s | %.1f | %.0f | %s | %.0f | %.0f | %.0f | %.1f | %.1f | %.0f | %s/%s |\n' \
      "$name" "$ff1" "$ffa" "$vf" "$(echo "$vf / $ffa" | bc -l)" "$mpvf" "$vb" "$(echo "$vb / $vf" | bc -l)" "$mpvb" "$mpvlost" \
      "$(echo "$mpvb / $vb" | bc -l)" "$vmem" "$mpvmem" "$vback" "$mpvback" "$(echo "$mpvback / $vback" | bc -l)" \
      "$vseekmed" "$mpvseek" "$vopen" "$df" "$db"
  done
} | tee "$out/table.md"

[ -n "${BASELINE_BIN:-}" ] || exit 0
base=$(cd "$BASELINE_BIN" && pwd)
{
  echo
  echo "| clip | forward before / now (s) | backward before / now (s) | 100 Back before / now (ms) | seek mean before / now (ms) | peak before / now (MB) | longest command in play before / now (ms) |"
  echo "|---|---|---|---|---|---|---|"
  for name in "${names[@]}"; do
    clip=$clips/$name.avi
    for i in $(seq "$runs"); do
      "$base/vidlark-bench" "$clip" > "$out/$name.before.$i.json"
      "$bin/vidlark-bench" "$clip" > "$out/$name.now.$i.json"
    done
    both() {
      local b n
      b=$(for i in $(seq "$runs"); do jq -r ".$1 // \"nan\"" < "$out/$name.before.$i.json"; done | median)
      n=$(for i in $(seq "$runs"); do jq -r ".$1 // \"nan\"" < "$out/$name.now.$i.json"; done | median)
      [ "$2" = "seek" ] && { b=$(echo "$b / 50" | bc -l); n=$(echo "$n / 50" | bc -l); }
      if [ "$b" = nan ]; then printf 'n/a / %.*f' "$3" "$n"; else printf '%.*f / %.*f' "$3" "$b" "$3" "$n"; fi
    }
    echo "| $name | $(both forward_s - 2) | $(both backward_s - 2) | $(both back100_ms - 0) | $(both seek50_ms seek 1) | $(both peak_rss_mb - 0) | $(both max_command_ms - 1) |"
  done
} | tee "$out/before_now.md"

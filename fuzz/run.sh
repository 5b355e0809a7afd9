#!/usr/bin/env bash
# Builds the fuzzer with clang and runs it over a seed corpus made here from ffmpeg's
# test sources. A blowup is a finding: more than 1 GiB, or 10 s on one input.
#   fuzz/run.sh BUILD_DIR seconds N   fuzz for N seconds, keeping what it learns
#   fuzz/run.sh BUILD_DIR runs N      a fixed number of inputs (the test run's check)
set -euo pipefail
build=${1:?build folder}
mode=${2:-seconds}
amount=${3:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVIDLARK_FUZZ=ON >/dev/null
nice -n 10 cmake --build "$build" -j2 --target vidlark-fuzz
bash "$root/fuzz/make_corpus.sh" "$build/fuzz-seeds"
mkdir -p "$build/fuzz-corpus" "$build/fuzz-findings"
limits=(-rss_limit_mb=1024 -timeout=10 -artifact_prefix="$build/fuzz-findings/" -print_final_stats=1)
case $mode in
  seconds) nice -n 10 "$build/bin/vidlark-fuzz" "${limits[@]}" -max_total_time="$amount" \
             "$build/fuzz-corpus" "$build/fuzz-seeds" "$root/fuzz/regressions" ;;
  # A fixed seed and a fresh folder for what it learns, so the same inputs every time;
  # the inputs of past findings run first, each once, beside the seeds.
  runs) rm -rf "$build/fuzz-check" && mkdir -p "$build/fuzz-check"
        nice -n 10 "$build/bin/vidlark-fuzz" "${limits[@]}" -seed=1 -runs="$amount" "$build/fuzz-check" \
          "$build/fuzz-seeds" "$root/fuzz/regressions" ;;
  *) echo "usage: fuzz/run.sh BUILD_DIR seconds|runs N" >&2; exit 64 ;;
esac

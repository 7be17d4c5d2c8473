#!/usr/bin/env bash
# Times the synthesis of a 60 s stereo sine sweep from 20 Hz to 20 kHz, raw
# 16-bit at 44100 Hz, in Sondrel (reference and fast paths) and in SoX, and
# prints the ratios. Needs a built tree (scripts/build.sh) and sox.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bench="$root/build/bench/sondrel_bench"
[ -x "$bench" ] || "$root/scripts/build.sh"
command -v sox >/dev/null || { echo "sox is not installed (apt-get install sox)" >&2; exit 1; }

# Median milliseconds of wall time per run over five repetitions, from the
# benchmark's CSV.
milliseconds() {
  "$bench" --benchmark_filter="^$1/" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
    --benchmark_format=csv 2>/dev/null |
    awk -F, -v name="$1" 'index($1, name) && index($1, "_median") { print $3 }'
}
reference=$(milliseconds BM_SineSweep60sStereo_Reference)
fast=$(milliseconds BM_SineSweep60sStereo_Fast)

# SoX: the best of five runs of the same signal to /dev/null.
best=""
for _ in 1 2 3 4 5; do
  start=$(date +%s%N)
  sox -n -r 44100 -b 16 -c 2 -e signed-integer -t raw /dev/null synth 60 sine 20-20000
  elapsed=$(( ($(date +%s%N) - start) / 1000 ))
  if [ -z "$best" ] || [ "$elapsed" -lt "$best" ]; then best=$elapsed; fi
done
sox_ms=$(awk -v us="$best" 'BEGIN { printf "%.1f", us / 1000 }')

awk -v r="$reference" -v f="$fast" -v s="$sox_ms" 'BEGIN {
  printf "60 s stereo sine sweep 20 Hz - 20 kHz, 2646000 frames\n"
  printf "  Sondrel reference (80-bit loop): %8.1f ms  %6.1f M frames/s\n", r, 2646 / r
  printf "  Sondrel fast synthesizer:        %8.1f ms  %6.1f M frames/s\n", f, 2646 / f
  printf "  sox synth 60 sine 20-20000:      %8.1f ms  %6.1f M frames/s\n", s, 2646 / s
  printf "  fast vs reference: %.1fx   fast vs sox: %.2fx\n", r / f, s / f
}'

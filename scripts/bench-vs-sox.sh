#!/usr/bin/env bash
# Sondrel against SoX on equal work, whole process against whole process:
# linear sweeps from 20 Hz to 20 kHz (sine, square, triangle; 60 s and 600 s),
# 16-bit stereo at 44100 frames a second, written as raw samples to a file in
# the same folder (tmpfs when /dev/shm exists). SoX runs at 44100 Hz from the
# start (-r before -n) with dither off (-D), so that it neither resamples nor
# dithers; Sondrel renders a one-line script with its "always stereo" option,
# which writes the same sample to both channels as SoX's -c 2 does.
# Prints the median and range of five runs of each, and their ratio.
# Then the start of a whole process: --version against sox --version, and a
# 1 s mono sine tone after 200 ms of silence written to a .wav file by each
# (medians of 20 runs); and
# the peak memory (resident set) of a 3-hour stereo sweep rendered to a file.
#   scripts/bench-vs-sox.sh [RUNS]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
runs="${1:-5}"
sondrel="$root/build/bin/sondrel"
[ -x "$sondrel" ] || "$root/scripts/build.sh"
command -v sox >/dev/null || { echo "sox is not installed (apt-get install sox)" >&2; exit 1; }

base=/tmp
[ -d /dev/shm ] && [ -w /dev/shm ] && base=/dev/shm
work="$(mktemp -d "$base/sondrel-bench.XXXXXX")"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/config/sondrel"
printf '[Software\\Kelvo]\nAlwaysStereo=dword:00000001\nLongBuffer=dword:00000000\n' >"$work/config/sondrel/settings"
# Sondrel's settings, without a wrapper process (env) that SoX's runs lack.
export XDG_CONFIG_HOME="$work/config"

# Milliseconds of wall time of each run of the command, one a line.
times() {
  for _ in $(seq 1 "$runs"); do
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s%N)
    echo $(( (end - start) / 1000000 ))
    rm -f "$work/out.raw" "$work/out.wav"
  done
}
# "median min max" of the numbers on standard input.
summary() { sort -n | awk '{ v[NR] = $1 } END { printf "%d %d %d\n", v[int((NR + 1) / 2)], v[1], v[NR] }'; }

echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ //')"
echo "Load average before the runs (other work on the machine): $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-9s %6s  %-22s %-22s %s\n' wave seconds "sondrel ms (min-max)" "sox ms (min-max)" "sox / sondrel"
for wave in sine square triangle; do
  case $wave in sine) number=0 ;; square) number=1 ;; triangle) number=2 ;; esac
  for seconds in 60 600; do
    printf 'sweep 20 20000 %s 0 %s\r\nend\r\n' "$seconds" "$number" >"$work/sweep.kvs"
    read -r s_med s_min s_max < <(times "$sondrel" --render "$work/sweep.kvs" \
      -o "$work/out.raw" | summary)
    read -r x_med x_min x_max < <(times sox -D -r 44100 -c 1 -n -b 16 -c 2 -e signed-integer -t raw "$work/out.raw" \
      synth "$seconds" "$wave" 20-20000 | summary)
    printf '%-9s %6s  %-22s %-22s %.2fx\n' "$wave" "$seconds" "$s_med ($s_min-$s_max)" "$x_med ($x_min-$x_max)" \
      "$(awk -v x="$x_med" -v s="$s_med" 'BEGIN { print (s > 0 ? x / s : 0) }')"
  done
done
# The same 600 s stereo sine sweep as a .wav file from each, as a user would write it.
printf 'sweep 20 20000 600 0 0\r\nend\r\n' >"$work/sweep.kvs"
read -r s_med s_min s_max < <(times "$sondrel" --render "$work/sweep.kvs" \
  -o "$work/out.wav" | summary)
read -r x_med x_min x_max < <(times sox -D -r 44100 -c 1 -n -b 16 -c 2 "$work/out.wav" synth 600 sine 20-20000 | summary)
printf '%-9s %6s  %-22s %-22s %.2fx   (.wav)\n' sine 600 "$s_med ($s_min-$s_max)" "$x_med ($x_min-$x_max)" \
  "$(awk -v x="$x_med" -v s="$s_med" 'BEGIN { print (s > 0 ? x / s : 0) }')"

# Short commands: the start of the process is most of the work.
runs_before="$runs"
runs=20
printf '%-24s %-22s %-22s %s\n' "command" "sondrel ms (min-max)" "sox ms (min-max)" "sox / sondrel"
short() {
  local label="$1"
  read -r s_med s_min s_max < <(times "${sondrel_command[@]}" | summary)
  read -r x_med x_min x_max < <(times "${sox_command[@]}" | summary)
  printf '%-24s %-22s %-22s %.2fx\n' "$label" "$s_med ($s_min-$s_max)" "$x_med ($x_min-$x_max)" \
    "$(awk -v x="$x_med" -v s="$s_med" 'BEGIN { print (s > 0 ? x / s : 0) }')"
}
sondrel_command=("$sondrel" --version)
sox_command=(sox --version)
short "--version"
printf 'tone 1000 1 0 0\r\nend\r\n' >"$work/tone.kvs"
printf '[Software\\Kelvo]\nAlwaysStereo=dword:00000000\nLongBuffer=dword:00000000\n' >"$work/config/sondrel/settings"
# The same audio from both: Sondrel's tone starts after its 200 ms pause.
sondrel_command=("$sondrel" --render "$work/tone.kvs" -o "$work/out.wav")
sox_command=(sox -D -r 44100 -n -b 16 -c 1 "$work/out.wav" synth 1 sine 1000 pad 0.2 0)
short "1 s tone to .wav"
runs="$runs_before"

# Memory: a render holds a few pieces, whatever its length.
if [ -x /usr/bin/time ]; then
  printf '[Software\\Kelvo]\nAlwaysStereo=dword:00000001\nLongBuffer=dword:00000000\n' >"$work/config/sondrel/settings"
  printf 'sweep 20 20000 10800 -6 0\r\nend\r\n' >"$work/long.kvs"
  # 1.9 GB: on the disk, not in the memory of a tmpfs.
  long="$(mktemp /tmp/sondrel-long.XXXXXX.wav)"
  /usr/bin/time -f '%e s, peak resident memory %M KiB' -o "$work/memory" "$sondrel" --render "$work/long.kvs" -o "$long" --max-seconds 10800
  echo "3-hour stereo sweep to .wav ($(stat -c %s "$long") bytes): $(cat "$work/memory")"
  rm -f "$long"
else
  echo "/usr/bin/time is not installed (apt-get install time): no memory figure"
fi
echo "Load average after: $(cut -d' ' -f1-3 /proc/loadavg)"

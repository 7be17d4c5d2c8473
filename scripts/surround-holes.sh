#!/usr/bin/env bash
# Holes in a 5.1 script's sweeps on a private PipeWire session, Sondrel beside
# paplay in the same run: a script sweeps each of the six speakers in turn
# (`sondrel --play`, one stream for all lines), then paplay plays the same
# script rendered to a file, one after the other, RUNS times (default 20),
# each recorded from the sink's monitor. A hole is a run of 32 frames or more
# of silence inside a sweep; each run prints the holes of both clients
# (channel@frame into the sweep:length) and the frames missing from the
# sweeps' starts, the end their totals and whether other load was on the
# machine (the load average).
#   [SONDREL=PROGRAM] scripts/surround-holes.sh [RUNS]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
runs="${1:-20}"
sondrel="${SONDREL:-$root/build/bin/sondrel}"  # another build of the program to compare, if given
[ -x "$sondrel" ] || { "$root/scripts/setup.sh" && "$root/scripts/build.sh"; }
folder="$(mktemp -d /tmp/sondrel-holes.XXXXXX)"
cleanup() {
  "$root/scripts/pipewire-server.sh" stop "$folder/pipewire" || true
  rm -rf "$folder"
}
trap cleanup EXIT
PULSE_SERVER="$("$root/scripts/pipewire-server.sh" start "$folder/pipewire" | tail -n 1)"
export PULSE_SERVER

map=front-left,front-right,front-center,lfe,rear-left,rear-right
pactl load-module module-null-sink sink_name=holes_5p1 rate=48000 channels=6 channel_map=$map \
  sink_properties=device.description=Holes-5.1 >/dev/null
sleep 1
# The device's own rate, no resampling between the synthesis and the sink.
mkdir -p "$folder/config/sondrel"
printf '[Software\\Kelvo]\nAlwaysStereo=dword:00000000\nLongBuffer=dword:00000000\nSampleRate=dword:00000000\n' \
  >"$folder/config/sondrel/settings"
channel=0
for speaker in FL FR FC LFE RL RR; do
  printf 'speakers %s\r\nsweep 200 %d 0.25 -6 0\r\n' "$speaker" $((1000 + 250 * channel)) >>"$folder/walk.kvs"
  channel=$((channel + 1))
done
printf 'end\r\n' >>"$folder/walk.kvs"
XDG_CONFIG_HOME="$folder/config" "$sondrel" --render "$folder/walk.kvs" -o "$folder/walk.wav" --rate 48000 --speakers 5.1

holes() {
  python3 - "$1" <<'EOF'
import array, sys
samples = array.array('h')
samples.frombytes(open(sys.argv[1], 'rb').read())
found = []
lost = 0
for channel in range(6):
    sound = [i for i, v in enumerate(samples[channel::6]) if v != 0]
    # A sweep of 12000 frames sounds from its second frame (sin 0 = 0) to its last.
    lost += max(0, 11999 - (sound[-1] - sound[0] + 1)) if sound else 11999
    start = sound[0] if sound else 0
    for i in range(len(sound) - 1):
        gap = sound[i + 1] - sound[i]
        if gap >= 2400:  # the next sweep
            start = sound[i + 1]
        elif gap >= 32:
            found.append(f"{channel}@{sound[i] + 1 - start}:{gap - 1}")
print(len(found), lost, ' '.join(found))
EOF
}

declare -A total=([sondrel]=0 [paplay]=0) runsWith=([sondrel]=0 [paplay]=0) lostAll=([sondrel]=0 [paplay]=0)
for run in $(seq 1 "$runs"); do
  line="run $run:"
  for client in sondrel paplay; do
    parec --device=holes_5p1.monitor --format=s16le --rate=48000 --channels=6 --channel-map=$map --raw \
      --latency-msec=10 "$folder/recording.raw" &
    recorder=$!
    sleep 0.3
    if [ "$client" = sondrel ]; then
      XDG_CONFIG_HOME="$folder/config" "$sondrel" --play "$folder/walk.kvs" --speakers 5.1 --device Holes-5.1
    else
      paplay --device=holes_5p1 "$folder/walk.wav"
    fi
    sleep 0.3
    kill -INT "$recorder"
    wait "$recorder" || true
    read -r count lost where < <(holes "$folder/recording.raw")
    total[$client]=$((total[$client] + count))
    lostAll[$client]=$((lostAll[$client] + lost))
    [ "$count" -eq 0 ] || runsWith[$client]=$((runsWith[$client] + 1))
    line+="  $client $count holes, $lost frames lost at starts ${where:-}"
  done
  echo "$line"
done
echo "Sondrel: ${total[sondrel]} holes in ${runsWith[sondrel]} of $runs runs, ${lostAll[sondrel]} frames lost at starts;" \
  "paplay: ${total[paplay]} holes in ${runsWith[paplay]} of $runs runs, ${lostAll[paplay]} frames lost at starts;" \
  "load average $(cut -d' ' -f1-3 /proc/loadavg)"

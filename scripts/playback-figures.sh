#!/usr/bin/env bash
# The playback path's figures, side by side with paplay in the same run, on a
# private PulseAudio server and a private PipeWire session, each on a quiet
# machine and with both cores saturated by busy loops: dropouts and their
# length, the silence between script lines, how soon a retune is heard, and
# the CPU time of Sondrel's stream thread (bench/PlaybackFigures.cpp); on
# PipeWire also its own client pw-play, the native API's reference.
#   scripts/playback-figures.sh [SECONDS] [RUNS]
# SECONDS is the sweep's length (default 20), RUNS how often each case runs
# (default 1). "Quiet" means no load of this script's own: the load average
# printed after each case says what else the machine was doing.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-20}"
runs="${2:-1}"
tool="$root/build/bench/sondrel_playback_figures"
[ -x "$tool" ] || { "$root/scripts/setup.sh" && "$root/scripts/build.sh"; }
folder="$(mktemp -d /tmp/sondrel-figures.XXXXXX)"
busy=()
stop_load() {
  for pid in "${busy[@]}"; do kill "$pid" 2>/dev/null || true; done
  busy=()
}
cleanup() {
  stop_load
  "$root/scripts/pulse-server.sh" stop "$folder/pulse" || true
  "$root/scripts/pipewire-server.sh" stop "$folder/pipewire" || true
  rm -rf "$folder"
}
trap cleanup EXIT

for server in pulseaudio pipewire; do
  if [ "$server" = pulseaudio ]; then
    PULSE_SERVER="$("$root/scripts/pulse-server.sh" start "$folder/pulse")"
  else
    PULSE_SERVER="$("$root/scripts/pipewire-server.sh" start "$folder/pipewire")"
  fi
  export PULSE_SERVER
  if [ "$server" = pipewire ]; then
    export PIPEWIRE_REMOTE="$folder/pipewire/runtime/pipewire-0"
    # A third sink for PipeWire's own client, pw-play, beside paplay.
    pactl load-module module-null-sink sink_name=sondrel_third rate=48000 channels=2 \
      sink_properties=device.description=Sondrel-Test-Third >/dev/null
    sleep 0.5
  fi
  for load in quiet busy; do
    for run in $(seq 1 "$runs"); do
      if [ "$load" = busy ]; then
        for _ in $(seq 1 "$(nproc)"); do
          sh -c 'while :; do :; done' &
          busy+=($!)
        done
      fi
      echo "== $server, $load (run $run of $runs)"
      "$tool" "$seconds"
      echo "   load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
      stop_load
    done
  done
  if [ "$server" = pulseaudio ]; then "$root/scripts/pulse-server.sh" stop "$folder/pulse"; fi
done

#!/usr/bin/env bash
# A private PulseAudio server for the tests: its own runtime folder, no
# network modules, and two null sinks whose monitors the tests record.
#   scripts/pulse-server.sh start FOLDER [--no-sinks]
#                                          prints the PULSE_SERVER address;
#                                          --no-sinks: a server with no output
#   scripts/pulse-server.sh stop FOLDER
set -euo pipefail
action="$1"
folder="$2"
sinks=(
  -L "module-null-sink sink_name=sondrel_first rate=44100 format=s16le channels=2 sink_properties=device.description=Sondrel-Test-First"
  -L "module-null-sink sink_name=sondrel_second rate=44100 format=s16le channels=2 sink_properties=device.description=Sondrel-Test-Second"
)
[ "${3:-}" = "--no-sinks" ] && sinks=()

case "$action" in
  start)
    mkdir -p "$folder/runtime" "$folder/home"
    chmod 700 "$folder/runtime"
    XDG_RUNTIME_DIR="$folder/runtime" HOME="$folder/home" pulseaudio -n --daemonize=yes \
      --exit-idle-time=-1 --use-pid-file=yes --log-target="file:$folder/pulse.log" \
      -L "module-native-protocol-unix socket=$folder/runtime/native auth-anonymous=1" "${sinks[@]}"
    for _ in $(seq 1 50); do
      if PULSE_SERVER="unix:$folder/runtime/native" pactl info >/dev/null 2>&1; then
        echo "unix:$folder/runtime/native"
        exit 0
      fi
      sleep 0.1
    done
    echo "PulseAudio did not start; see $folder/pulse.log" >&2
    exit 1
    ;;
  stop)
    XDG_RUNTIME_DIR="$folder/runtime" HOME="$folder/home" pulseaudio --kill 2>/dev/null || true
    pid="$(cat "$folder/runtime/pulse/pid" 2>/dev/null || true)"
    if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; fi
    ;;
esac

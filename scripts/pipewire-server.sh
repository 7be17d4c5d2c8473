#!/usr/bin/env bash
# A private PipeWire session for the tests, as the desktop of Debian 12 runs
# it: pipewire, wireplumber and pipewire-pulse on a runtime folder and a
# session bus of their own, with two null sinks that the tests record.
# Its graph runs at 48000 frames a second, as PipeWire's usually does.
#   scripts/pipewire-server.sh start FOLDER   prints the PULSE_SERVER address
#   scripts/pipewire-server.sh stop FOLDER
set -euo pipefail
action="$1"
folder="$2"

case "$action" in
  start)
    mkdir -p "$folder/runtime" "$folder/home"
    chmod 700 "$folder/runtime"
    export XDG_RUNTIME_DIR="$folder/runtime" HOME="$folder/home"
    # Cycles of at least 512 frames (10.7 ms at 48000 Hz) however small a
    # latency a recorder asks for: without real-time scheduling, as on a
    # shared test machine, the graph misses 5 ms cycles now and then,
    # whatever the client (scripts/surround-holes.sh counts paplay's too).
    mkdir -p "$folder/home/.config/pipewire/pipewire.conf.d"
    echo 'context.properties = { default.clock.min-quantum = 512 }' \
      >"$folder/home/.config/pipewire/pipewire.conf.d/sondrel-tests.conf"
    dbus-daemon --session --fork --print-address=3 --print-pid=4 3>"$folder/bus" 4>"$folder/bus.pid"
    DBUS_SESSION_BUS_ADDRESS="$(cat "$folder/bus")"
    export DBUS_SESSION_BUS_ADDRESS
    for program in pipewire wireplumber pipewire-pulse; do
      "$program" >"$folder/$program.log" 2>&1 &
      echo $! >"$folder/$program.pid"
      sleep 0.3
    done
    export PULSE_SERVER="unix:$folder/runtime/pulse/native"
    for _ in $(seq 1 50); do
      if pactl info >/dev/null 2>&1; then
        for sink in First Second; do
          lower="$(echo "$sink" | tr '[:upper:]' '[:lower:]')"
          pactl load-module module-null-sink "sink_name=sondrel_$lower" rate=48000 channels=2 \
            "sink_properties=device.description=Sondrel-Test-$sink node.group=sondrel-tests" >/dev/null
        done
        pactl set-default-sink sondrel_first
        # The sinks appear in the graph a moment after they are loaded.
        for _ in $(seq 1 50); do
          [ "$(pactl list short sinks | grep -c sondrel_)" = 2 ] && break
          sleep 0.1
        done
        echo "$PULSE_SERVER"
        exit 0
      fi
      sleep 0.1
    done
    echo "PipeWire did not start; see $folder/*.log" >&2
    exit 1
    ;;
  stop)
    for program in pipewire-pulse wireplumber pipewire bus; do
      pid="$(cat "$folder/$program.pid" 2>/dev/null || true)"
      if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; fi
    done
    ;;
esac

#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite headless:
# windows on Qt's offscreen platform, sound through SDL's disk driver and a
# private PulseAudio server with two null sinks.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
"$root/scripts/build.sh"

pulse="$(mktemp -d /tmp/sondrel-pulse.XXXXXX)"
cleanup() {
  "$root/scripts/pulse-server.sh" stop "$pulse"
  rm -rf "$pulse"
}
trap cleanup EXIT
PULSE_SERVER="$("$root/scripts/pulse-server.sh" start "$pulse")"
export PULSE_SERVER
export QT_QPA_PLATFORM=offscreen

cd "$root/build"
ctest --output-on-failure --parallel "$(nproc)" --timeout 300

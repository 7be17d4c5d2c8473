#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite headless:
# windows on Qt's offscreen platform, sound through SDL's disk driver and a
# private PulseAudio server with two null sinks. The suite runs twice, as
# built for use and under AddressSanitizer and UndefinedBehaviorSanitizer,
# and every file reader is fuzzed for a fixed number of inputs first. Then
# the sound-server tests run once more on a private PipeWire session, the
# sound server of today's desktops, whose graph runs at 48000 Hz.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
"$root/scripts/build.sh" --sanitize
"$root/scripts/fuzz.sh" --all "${SONDREL_FUZZ_RUNS:-50000}"

pulse="$(mktemp -d /tmp/sondrel-pulse.XXXXXX)"
pipewire="$(mktemp -d /tmp/sondrel-pipewire.XXXXXX)"
cleanup() {
  "$root/scripts/pulse-server.sh" stop "$pulse"
  "$root/scripts/pipewire-server.sh" stop "$pipewire"
  rm -rf "$pulse" "$pipewire"
}
trap cleanup EXIT
PULSE_SERVER="$("$root/scripts/pulse-server.sh" start "$pulse")"
export PULSE_SERVER
export QT_QPA_PLATFORM=offscreen

echo "== The test suite under the sanitizers"
# Leaks inside the sound server's client library are its own, not ours.
# The recorded walk round a 5.1 room (half a minute of real time alone on
# the server) runs in the two other passes; under the sanitizers its code is
# the walk's unit tests'.
(cd "$root/build-asan" &&
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 \
  LSAN_OPTIONS="suppressions=$root/tests/sanitizer-leaks.supp:print_suppressions=0" \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --output-on-failure --parallel "$(nproc)" --timeout 600 -E 'SurroundWalkTest')

echo "== The test suite"
cd "$root/build"
ctest --output-on-failure --parallel "$(nproc)" --timeout 300 -LE sound-server
# On PulseAudio every sound-server test has run under the sanitizers; as
# built it takes again those whose point is time (a minute's sweep with every
# core busy, a script's pauses, a retune's delay) and the 5.1 walk, which the
# sanitizer pass leaves out. PipeWire takes all of them as built.
ctest --output-on-failure --timeout 300 -L sound-server -R '^(PlaybackPathTest\.|Layouts/SurroundWalkTest\.)'

echo "== The sound-server tests on PipeWire"
PULSE_SERVER="$("$root/scripts/pipewire-server.sh" start "$pipewire")"
export PULSE_SERVER
# PipeWire's graph has a deadline each cycle across processes, so a hole in
# this pass is read against how the server's threads were scheduled and how
# much time the host took from this machine's cores meanwhile.
for program in pipewire pipewire-pulse wireplumber; do
  ps -L -o tid=,cls=,rtprio=,comm= -p "$(cat "$pipewire/$program.pid")" |
    awk -v program="$program" '{ printf "%s thread %s: %s %s\n", program, $4, $2, $3 }'
done
cpu_times() { awk '/^cpu / { print $9, $2 + $3 + $4 + $5 + $6 + $7 + $8 + $9 }' /proc/stat; }
read -r steal_before total_before < <(cpu_times)
status=0
ctest --output-on-failure --timeout 300 -L sound-server || status=$?
read -r steal_after total_after < <(cpu_times)
awk -v s=$((steal_after - steal_before)) -v t=$((total_after - total_before)) \
  'BEGIN { printf "Time the host took from this machine during the PipeWire pass: %.2f %%\n", t ? 100 * s / t : 0 }'
exit "$status"

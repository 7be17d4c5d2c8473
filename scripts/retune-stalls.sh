#!/usr/bin/env bash
# How long the GUI thread waits on the sound server when a playing tone is
# retuned once a second, on a private PulseAudio server with a null sink (the
# case where SDL's close used to wait for the server): prints the count of
# retunes that held the thread over 100 ms, the median and the longest.
#   scripts/retune-stalls.sh [RETUNES] [OTHER]
# RETUNES defaults to 120 (two minutes). OTHER, a sondrel_retune_stalls built
# from another commit (say in a git worktree), runs at the same time on the
# same server, for a side-by-side comparison.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
retunes="${1:-120}"
other="${2:-}"
tool="$root/build/bench/sondrel_retune_stalls"
[ -x "$tool" ] || "$root/scripts/build.sh"
folder="$(mktemp -d /tmp/sondrel-stalls.XXXXXX)"
trap '"$root/scripts/pulse-server.sh" stop "$folder"; rm -rf "$folder"' EXIT
PULSE_SERVER="$("$root/scripts/pulse-server.sh" start "$folder")"
export PULSE_SERVER SDL_AUDIODRIVER=pulseaudio
if [ -n "$other" ]; then
  echo "== $other"
  "$other" "$retunes" &
fi
echo "== $tool"
"$tool" "$retunes"
wait

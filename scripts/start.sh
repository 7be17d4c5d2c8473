#!/usr/bin/env bash
# Installs what is missing, builds the program (and only the program: the
# tests and the benchmark wait for the test command), and starts Sondrel.
# Arguments are passed on: a script (.kvs) or preset file (.kvp) to open.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
"$root/scripts/build.sh" --program
exec "$root/build/bin/sondrel" "$@"

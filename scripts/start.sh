#!/usr/bin/env bash
# Installs what is missing, builds, and starts Sondrel.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
if [ -x "$root/build/app/sondrel" ]; then
  exec "$root/build/app/sondrel" "$@"
fi
echo "Sondrel's window is not built yet; the engine and its tests are."

#!/usr/bin/env bash
# Installs what is missing, builds, and starts Sondrel. Arguments are passed
# on: a script (.kvs) or preset file (.kvp) to open.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
exec "$root/build/app/sondrel" "$@"

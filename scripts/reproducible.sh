#!/usr/bin/env bash
# Builds the Debian package twice, in two fresh build folders of different
# names, and compares the two packages byte for byte (diffoscope, when it is
# installed, says where they differ).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
work="$(mktemp -d /tmp/sondrel-reproducible.XXXXXX)"
trap 'rm -rf "$work"' EXIT
"$root/scripts/package.sh" "$work/first" >/dev/null
"$root/scripts/package.sh" "$work/second-build" >/dev/null
if cmp "$work"/first/sondrel_*.deb "$work"/second-build/sondrel_*.deb; then
  echo "reproducible: both builds gave $(sha256sum "$work"/first/sondrel_*.deb | cut -d' ' -f1)"
else
  command -v diffoscope >/dev/null && diffoscope "$work"/first/sondrel_*.deb "$work"/second-build/sondrel_*.deb | head -50
  exit 1
fi

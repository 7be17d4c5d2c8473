#!/usr/bin/env bash
# Builds the Debian package sondrel_2.4-1_amd64.deb into build/ and checks it
# with lintian when lintian is installed.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/build.sh"
(cd "$root/build" && cpack -G DEB)
package="$(ls "$root"/build/sondrel_*.deb)"
echo "Built $package"
if command -v lintian >/dev/null; then lintian --info "$package"; fi

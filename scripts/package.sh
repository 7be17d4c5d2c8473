#!/usr/bin/env bash
# Builds the Debian package sondrel_2.4-1_amd64.deb from the program alone
# (no tests, no benchmark) into BUILD-FOLDER (default build-package/), and
# checks it with lintian when lintian is installed. The package is hardened
# as Debian's are and reproducible: the files' times are the last commit's,
# and another build folder gives the same bytes (scripts/reproducible.sh).
#   scripts/package.sh [BUILD-FOLDER]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build-package}"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DSONDREL_BUILD_TESTS=OFF -DSONDREL_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$build" --parallel "$(nproc)"
SOURCE_DATE_EPOCH="$(git -C "$root" log -1 --format=%ct 2>/dev/null || echo 1767225600)"
export SOURCE_DATE_EPOCH
(cd "$build" && cpack -G DEB >/dev/null)
package="$(ls "$build"/sondrel_*.deb)"
echo "Built $package"
if command -v lintian >/dev/null; then lintian --info "$package"; fi

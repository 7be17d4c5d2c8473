#!/usr/bin/env bash
# Configures and builds Sondrel (Release with debug info).
#   scripts/build.sh              into build/
#   scripts/build.sh --program    into build/, the program alone (no tests,
#                                 no benchmark): what start.sh needs
#   scripts/build.sh --sanitize   into build-asan/, with AddressSanitizer and
#                                 UndefinedBehaviorSanitizer, tests only
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
if [ "${1:-}" = "--sanitize" ]; then
  cmake -S "$root" -B "$root/build-asan" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DSONDREL_SANITIZE=ON -DSONDREL_BUILD_BENCHMARKS=OFF >/dev/null
  cmake --build "$root/build-asan" --parallel "$(nproc)"
else
  cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  if [ "${1:-}" = "--program" ]; then
    cmake --build "$root/build" --parallel "$(nproc)" --target sondrel
  else
    cmake --build "$root/build" --parallel "$(nproc)"
  fi
fi

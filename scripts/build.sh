#!/usr/bin/env bash
# Configures and builds Sondrel (Release with debug info).
#   scripts/build.sh              into build/
#   scripts/build.sh --program    into build/, the program alone (no tests,
#                                 no benchmark): what start.sh needs
# build/ keeps line tables only (-g1): a backtrace's lines, in much less
# build time; the package is built with full debug information on its own.
#   scripts/build.sh --sanitize   into build-asan/, with AddressSanitizer and
#                                 UndefinedBehaviorSanitizer, tests only
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
if [ "${1:-}" = "--sanitize" ]; then
  cmake -S "$root" -B "$root/build-asan" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DSONDREL_SANITIZE=ON -DSONDREL_BUILD_BENCHMARKS=OFF >/dev/null
  cmake --build "$root/build-asan" --parallel "$(nproc)"
else
  cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG" >/dev/null
  if [ "${1:-}" = "--program" ]; then
    cmake --build "$root/build" --parallel "$(nproc)" --target sondrel
  else
    cmake --build "$root/build" --parallel "$(nproc)"
  fi
fi

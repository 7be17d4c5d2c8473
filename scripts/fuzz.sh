#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs one of them for a while.
#   scripts/fuzz.sh preset_reader_fuzz 300   (target, seconds)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
target="${1:-preset_reader_fuzz}"
seconds="${2:-60}"
cmake -S "$root" -B "$root/build-fuzz" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DSONDREL_FUZZ=ON -DSONDREL_BUILD_TESTS=OFF -DSONDREL_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$root/build-fuzz" --target "$target"
corpus="$root/build-fuzz/corpus-$target"
mkdir -p "$corpus"
"$root/build-fuzz/fuzz/$target" -max_total_time="$seconds" -max_len=4096 -timeout=5 "$corpus"

#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs them.
#   scripts/fuzz.sh preset_reader_fuzz 300   one target for 300 seconds
#   scripts/fuzz.sh --all RUNS               every target for RUNS inputs each
# Targets: preset_reader_fuzz script_reader_fuzz settings_reader_fuzz
#          number_text_fuzz mimeapps_fuzz
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
targets=(preset_reader_fuzz script_reader_fuzz settings_reader_fuzz number_text_fuzz mimeapps_fuzz)

build() {
  cmake -S "$root" -B "$root/build-fuzz" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DSONDREL_FUZZ=ON -DSONDREL_BUILD_TESTS=OFF -DSONDREL_BUILD_BENCHMARKS=OFF >/dev/null
  cmake --build "$root/build-fuzz" --parallel "$(nproc)" --target "$@"
}

# Runs one target; extra arguments go to libFuzzer.
run() {
  local target="$1"
  shift
  local corpus="$root/build-fuzz/corpus-$target"
  local log="$root/build-fuzz/$target.log"
  mkdir -p "$corpus"
  if ! "$root/build-fuzz/fuzz/$target" -max_len=4096 -timeout=5 -print_final_stats=1 "$@" "$corpus" >"$log" 2>&1; then
    tail -n 60 "$log" >&2
    echo "$target failed; its log: $log" >&2
    return 1
  fi
  grep -E 'stat::(number_of_executed_units|average_exec_per_sec)' "$log"
}

if [ "${1:-}" = "--all" ]; then
  runs="${2:-100000}"
  build "${targets[@]}"
  # The targets run side by side, one a core, each printing when it ends.
  failed=0
  for target in "${targets[@]}"; do
    while [ "$(jobs -rp | wc -l)" -ge "$(nproc)" ]; do wait -n || failed=1; done
    (
      if report="$(run "$target" -runs="$runs" -seed=1 2>&1)"; then status=0; else status=$?; fi
      printf '== %s: %s inputs\n%s\n' "$target" "$runs" "$report"
      exit "$status"
    ) &
  done
  while [ "$(jobs -rp | wc -l)" -gt 0 ]; do wait -n || failed=1; done
  exit "$failed"
else
  target="${1:-preset_reader_fuzz}"
  seconds="${2:-60}"
  build "$target"
  run "$target" -max_total_time="$seconds"
fi

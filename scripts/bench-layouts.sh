#!/usr/bin/env bash
# What a surround layout costs a render, beside Stereo in the same run: the
# same 10 s sweep rendered in each layout (bench/LayoutRenderBench.cpp),
# REPEATS times (default 9), as the median and the range of the time per
# frame and the median against Stereo's. Nothing of this script's own loads
# the machine; the load average after the run says what else did.
#   scripts/bench-layouts.sh [REPEATS]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
repeats="${1:-9}"
tool="$root/build/bench/sondrel_layout_bench"
[ -x "$tool" ] || { "$root/scripts/setup.sh" && "$root/scripts/build.sh"; }
"$tool" --benchmark_repetitions="$repeats" --benchmark_min_time=0.2 --benchmark_format=json 2>/dev/null |
  python3 -c '
import json, statistics, sys
runs = {}
for b in json.load(sys.stdin)["benchmarks"]:
    if b.get("run_type") == "iteration":
        runs.setdefault(b["run_name"], []).append(1e9 / b["items_per_second"])
stereo = statistics.median(runs["render/stereo"])
print("render of a 10 s sweep, ns per frame (median, range over %d runs; against Stereo):" % len(runs["render/stereo"]))
for name, values in runs.items():
    median = statistics.median(values)
    print("  %-8s %6.2f  (%.2f-%.2f)  %.1fx" % (name.split("/")[1], median, min(values), max(values), median / stereo))
'
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"

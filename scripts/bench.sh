#!/usr/bin/env bash
# Runs every benchmark and measuring program, prints each figure beside its
# goal and writes the report docs/performance.md. Best on an otherwise idle
# machine: the figures are wall-clock times.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh python3 xvfb xauth
scripts/build.sh --target VYRSourceReturn switcher-sim vyr-bench-receive vyr-bench-reaction

out=build/bench
mkdir -p "${out}"
echo "== receive path (Google Benchmark)"
build/vyr-bench-receive --benchmark_min_time=1 --benchmark_repetitions=3 \
  --benchmark_report_aggregates_only=true --benchmark_out="${out}/receive.json" \
  --benchmark_out_format=json
echo "== end to end over loopback TCP"
build/vyr-bench-reaction build/VYRSourceReturn 10000 10000 | tee "${out}/reaction.txt"
echo "== footprint"
scripts/footprint.sh 30 | tee "${out}/footprint.txt"
echo "== window idle, 256 watched outputs"
scripts/window-idle.sh 256 20 | tee "${out}/window-idle.txt"
python3 scripts/bench-report.py "${out}" docs/performance.md

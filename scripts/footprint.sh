#!/usr/bin/env bash
# Idle CPU and resident memory of the headless program, and resident memory
# of the window (under Xvfb), each against the simulator at Refresh Rate 100.
# Prints "RESULT key=value ..." for scripts/bench.sh.
#   footprint.sh [IDLE_SECONDS]   (30)
set -euo pipefail
cd "$(dirname "$0")/.."
idle="${1:-30}"
port="${VYR_FOOTPRINT_PORT:-1299}"
hz=$(getconf CLK_TCK)
folder="$(mktemp -d)"
sed "s/^IP Port=.*/IP Port=${port}\r/" examples/demo/vyrntpnl.ini > "${folder}/vyrntpnl.ini"
build/switcher-sim --port "${port}" --quiet </dev/null >/dev/null 2>&1 &
sim=$!
trap 'kill ${sim} ${panel:-} 2>/dev/null || true' EXIT
sleep 0.5

ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
rss_kb() { awk '/^VmRSS/ {print $2}' "/proc/$1/status"; }

build/VYRSourceReturn --headless --folder "${folder}" >/dev/null &
panel=$!
sleep 3  # connected, tables and map taken in
t0=$(ticks "${panel}")
sleep "${idle}"
t1=$(ticks "${panel}")
headless_rss=$(rss_kb "${panel}")
kill "${panel}"; wait "${panel}" 2>/dev/null || true
cpu=$(awk -v t=$((t1 - t0)) -v hz="${hz}" -v s="${idle}" 'BEGIN {printf "%.2f", 100 * t / hz / s}')
echo "headless: $((t1 - t0)) CPU ticks in ${idle} s (${cpu} % of one core), RSS ${headless_rss} kB"

window_rss=""
if command -v xvfb-run >/dev/null; then
  window_rss=$(xvfb-run -a sh -c "build/VYRSourceReturn --folder '${folder}' >/dev/null 2>&1 & p=\$!; sleep 5; awk '/^VmRSS/ {print \$2}' /proc/\$p/status; kill \$p")
  echo "window (Xvfb): RSS ${window_rss} kB"
fi
echo "RESULT idle_seconds=${idle} idle_cpu_percent=${cpu} headless_rss_kb=${headless_rss} window_rss_kb=${window_rss:-0}"

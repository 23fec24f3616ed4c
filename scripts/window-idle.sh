#!/usr/bin/env bash
# Idle CPU and resident memory of the window watching many outputs, against
# the simulator at Refresh Rate 100: under Xvfb when it is installed, else on
# the offscreen platform. Prints "RESULT key=value ..." (scripts/bench.sh
# keeps it in build/bench/window-idle.txt).
#   window-idle.sh [WATCHED [IDLE_SECONDS]]   (256, 20)
# Goals: under 1 % of one core, under 80 MB resident.
set -euo pipefail
cd "$(dirname "$0")/.."
watched="${1:-256}"
idle="${2:-20}"
port="${VYR_WINDOW_IDLE_PORT:-1298}"
hz=$(getconf CLK_TCK)
folder="$(mktemp -d)"
outputs=$((watched > 256 ? watched : 256))

{
  printf '[SETUP]\r\nIP Address=127.0.0.1\r\nIP Port=%s\r\n[CONFIG]\r\n' "${port}"
  printf 'Refresh Rate=100\r\nTime Out=20\r\nWait Time=0\r\nWatch Count=%s\r\n' "${watched}"
  for ((k = 1; k <= watched; k++)); do
    printf -v nn '%02d' "${k}"
    printf 'Output %s=%s\r\nInput %s=16384\r\nOpto %s=16383\r\n' "${nn}" "${k}" "${nn}" "${nn}"
  done
  printf 'Return Source=16383\r\nReturn to Last Source=No\r\nException Count=0\r\nExceptions=\r\n'
  printf 'Console Count=0\r\nAirChain Count=0\r\n'
} > "${folder}/vyrntpnl.ini"

build/switcher-sim --port "${port}" --outputs "${outputs}" --quiet </dev/null >/dev/null 2>&1 &
sim=$!
trap 'kill ${sim} 2>/dev/null || true; rm -rf "${folder}"' EXIT
sleep 0.5

# Runs inside the display: starts the window, lets it connect and draw its
# rows, then counts its CPU ticks over the idle time and reads its RSS.
measure='
  build/VYRSourceReturn --folder "$1" >/dev/null 2>&1 &
  p=$!
  sleep 5
  t0=$(awk "{print \$14 + \$15}" /proc/$p/stat)
  sleep "$2"
  t1=$(awk "{print \$14 + \$15}" /proc/$p/stat)
  rss=$(awk "/^VmRSS/ {print \$2}" /proc/$p/status)
  kill $p
  echo "$((t1 - t0)) ${rss}"
'
if command -v xvfb-run >/dev/null; then
  display="Xvfb"
  read -r ticks rss < <(xvfb-run -a sh -c "${measure}" sh "${folder}" "${idle}")
else
  display="offscreen"
  read -r ticks rss < <(QT_QPA_PLATFORM=offscreen sh -c "${measure}" sh "${folder}" "${idle}")
fi
cpu=$(awk -v t="${ticks}" -v hz="${hz}" -v s="${idle}" 'BEGIN {printf "%.2f", 100 * t / hz / s}')
echo "window (${display}, ${watched} watched): ${ticks} CPU ticks in ${idle} s" \
  "(${cpu} % of one core), RSS ${rss} kB"
echo "RESULT watched=${watched} idle_seconds=${idle} window_idle_cpu_percent=${cpu}" \
  "window_rss_kb=${rss}"

#!/usr/bin/env bash
# Builds the program and the switcher simulator, then runs a demo against a
# simulated 256-output switcher that takes two watched outputs off (output 2
# after three seconds, output 3 two seconds later); the program puts them
# back after its 500 ms wait. Its configuration is copied to a folder of its
# own, where its error log goes too.
#
# On a desktop the panel's window opens and the simulator reads commands
# from this terminal (try: off 1, route 4 7, help); closing the window or
# typing quit ends the demo. Without a display the program runs headless for a few seconds.
#   VYR_DEMO_PORT      TCP port for the demo (1250)
#   VYR_DEMO_SECONDS   how long the headless demo runs (9)
#   VYR_DEMO_HEADLESS  set to run headless even on a desktop
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh --target VYRSourceReturn switcher-sim

port="${VYR_DEMO_PORT:-1250}"
seconds="${VYR_DEMO_SECONDS:-9}"
folder="$(mktemp -d)"
# The day's activity file: its length, and the lines of each return.
activity_summary() {
  local file
  file="${folder}/Activity $(date +%F).txt"
  echo "== activity: $(cat "${file}" 2>/dev/null | wc -l) lines in ${file}"
  grep -E "Off seen|return (scheduled|sent|confirmed|not confirmed)" "${file}" 2>/dev/null \
    | sed 's/^/   /' || true
}
sed "s/^IP Port=.*/IP Port=${port}\r/" examples/demo/vyrntpnl.ini > "${folder}/vyrntpnl.ini"
stop_sim() { pkill -f "switcher-sim --port ${port} " 2>/dev/null || true; }
trap stop_sim EXIT

if [ -z "${VYR_DEMO_HEADLESS:-}" ] && [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "== the panel's window opens in a moment; type simulator commands here (help lists them)"
  ( sleep 0.5; build/VYRSourceReturn --folder "${folder}"; stop_sim ) &
  build/switcher-sim --port "${port}" --script examples/demo/switcher-script.txt || true
  pkill -f "VYRSourceReturn --folder ${folder}" 2>/dev/null || true  # quit in the simulator ends it too
  wait
  echo "== error log: $(cat "${folder}/Errorlog.txt" 2>/dev/null | wc -l) lines in ${folder}/Errorlog.txt"
activity_summary
  exit 0
fi

[ -n "${VYR_DEMO_HEADLESS:-}" ] || echo "== no display (DISPLAY and WAYLAND_DISPLAY are unset): the panel runs headless"
build/switcher-sim --port "${port}" --script examples/demo/switcher-script.txt </dev/null \
  | sed -u 's/^/switcher-sim    | /' &
sleep 0.5

echo "== VYRSourceReturn --headless --folder ${folder}  (stops after ${seconds} s)"
timeout --signal=TERM "${seconds}" build/VYRSourceReturn --headless --folder "${folder}" \
  | sed -u 's/^/VYRSourceReturn | /' || true
echo "== error log: $(cat "${folder}/Errorlog.txt" 2>/dev/null | wc -l) lines in ${folder}/Errorlog.txt"
activity_summary

#!/usr/bin/env bash
# Builds the program and the switcher simulator, then runs a short demo: the
# simulator plays a 256-output switcher that takes two watched outputs off,
# and the program, headless, puts them back. Its configuration is copied to
# a folder of its own, where its error log goes too.
#   VYR_DEMO_PORT     TCP port for the demo (1250)
#   VYR_DEMO_SECONDS  how long the demo runs (9)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh --target VYRSourceReturn switcher-sim

port="${VYR_DEMO_PORT:-1250}"
seconds="${VYR_DEMO_SECONDS:-9}"
folder="$(mktemp -d)"
sed "s/^IP Port=.*/IP Port=${port}\r/" examples/demo/vyrntpnl.ini > "${folder}/vyrntpnl.ini"

build/switcher-sim --port "${port}" --script examples/demo/switcher-script.txt </dev/null \
  | sed -u 's/^/switcher-sim    | /' &
sim=$!
trap 'kill "${sim}" 2>/dev/null || true; pkill -f "switcher-sim --port ${port}" 2>/dev/null || true' EXIT
sleep 0.5

echo "== VYRSourceReturn --headless --folder ${folder}  (stops after ${seconds} s)"
timeout --signal=TERM "${seconds}" build/VYRSourceReturn --headless --folder "${folder}" \
  | sed -u 's/^/VYRSourceReturn | /' || true
echo "== error log: $(cat "${folder}/Errorlog.txt" 2>/dev/null | wc -l) lines in ${folder}/Errorlog.txt"

#!/bin/sh
# The program as a service runs it: headless against the simulator, an
# output taken Off must come back on its last source.
# Usage: headless-returns-output.sh PROGRAM SIMULATOR DEMO_INI
set -eu
program="$1"; simulator="$2"; ini="$3"
work="$(mktemp -d)"
trap 'kill "$sim" 2>/dev/null || true; rm -rf "$work"' EXIT

printf 'sleep 1500\noff 2\n' > "$work/script.txt"
"$simulator" --port 0 --script "$work/script.txt" </dev/null >"$work/sim.out" 2>&1 &
sim=$!
for _ in $(seq 50); do
  port="$(sed -n 's/^listening on 127.0.0.1:\([0-9]*\),.*/\1/p' "$work/sim.out")"
  [ -n "$port" ] && break
  sleep 0.1
done
[ -n "$port" ] || { echo "simulator did not start"; cat "$work/sim.out"; exit 1; }

mkdir "$work/panel"
sed "s/^IP Port=.*/IP Port=$port\r/" "$ini" > "$work/panel/vyrntpnl.ini"
timeout --signal=TERM 4 "$program" --headless --folder "$work/panel" >"$work/panel.out" 2>&1 || true
cat "$work/panel.out"
grep -q "connected to 127.0.0.1:$port" "$work/panel.out"
grep -q "row 2: Out 0002 <-  - Off -   (OFF)" "$work/panel.out"
grep -q "sent crosspoint change: output 2, source 2, mode 0x04" "$work/panel.out"
grep -q "change: output 2 takes input 2 alone" "$work/sim.out"
grep -q "stopping" "$work/panel.out"
[ ! -s "$work/panel/Errorlog.txt" ] || { echo "error log:"; cat "$work/panel/Errorlog.txt"; exit 1; }

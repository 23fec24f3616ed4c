#!/bin/sh
# The window end to end on a real X server: against the simulator, an output
# taken Off is returned and the Activity list shows the confirmation (the
# picture tool fails otherwise), and the pictures of it are written.
# Usage: window-shows-a-return.sh SCREENSHOT_TOOL
set -eu
command -v xvfb-run >/dev/null || { echo "xvfb-run is not installed"; exit 77; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
xvfb-run -a -s "-screen 0 1280x1024x24" env QT_QPA_PLATFORM=xcb "$1" "$work"
for picture in main-window alarm stale-window setup-consoles; do
  [ -s "$work/$picture.png" ] || { echo "no $picture.png"; exit 1; }
done

#!/usr/bin/env bash
# Takes the pictures of the windows in docs/ under Xvfb: the main window
# against a simulated switcher, the setup dialog and the list editor, at
# 96 dpi and again at 150 % scale.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh xvfb xauth
scripts/build.sh --target vyr-screenshots

run() {  # dpi scale suffix
  xvfb-run -a -s "-screen 0 1600x1200x24 -dpi $1" \
    env QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR="$2" build/vyr-screenshots docs "$3"
}
run 96 1 ""
run 144 1.5 "@1.5x"

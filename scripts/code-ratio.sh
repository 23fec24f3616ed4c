#!/usr/bin/env bash
# Prints the code lines of the tests against those of the program and the
# simulator (cloc, blank and comment lines left out) and their ratio.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v cloc >/dev/null || scripts/install-deps.sh cloc >/dev/null
lines() { cloc --quiet --csv "$@" | tail -n 1 | cut -d, -f5; }
tests=$(lines tests)
code=$(lines src tools/switcher-sim)
echo "tests/:                  ${tests} lines of code"
echo "src/ + tools/switcher-sim/: ${code} lines of code"
echo "ratio:                   $((tests * 100 / code)) %"

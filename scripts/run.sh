#!/usr/bin/env bash
# Builds the program and shows what it makes of the sample configuration.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh --target VYRSourceReturn
echo
echo "== build/VYRSourceReturn --check-config examples/vyrntpnl.ini"
build/VYRSourceReturn --check-config examples/vyrntpnl.ini

#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, skipping those
# already present. Runs apt-get as root, or through sudo otherwise. Extra
# package names given as arguments are installed too.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev
  libsimpleini-dev
  libsystemd-dev
  libgtest-dev
  libbenchmark-dev
  clang-14 libclang-rt-14-dev
  xvfb xauth
  "$@"
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "Need root or sudo to install: ${missing[*]}" >&2; exit 1; }
  sudo_cmd=(sudo)
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"

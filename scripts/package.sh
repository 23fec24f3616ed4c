#!/usr/bin/env bash
# Builds the Debian package: configures build-pkg/ for /usr without tests,
# builds the program and runs cpack. Installs the build dependencies and the
# tools cpack needs (dpkg-dev for dpkg-shlibdeps, file) when missing, with
# apt-get as root or through sudo. Prints the path of the .deb.
#   sudo apt-get install ./build-pkg/vyr-return_<version>_amd64.deb
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh dpkg-dev file

build=build-pkg
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
      -DVYR_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)"
rm -f "$build"/*.deb
(cd "$build" && cpack -G DEB >/dev/null)

deb=("$build"/*.deb)
[ -f "${deb[0]}" ] || { echo "cpack made no .deb" >&2; exit 1; }
realpath "${deb[0]}"

#!/bin/sh
# install-tree.sh CMAKE BUILD_DIR: installs BUILD_DIR into a temporary prefix
# and checks that the installed tree holds what a desktop and a service
# manager need, and that the installed program runs.
cmake=$1
build=$2
prefix=$(mktemp -d) || exit 1
trap 'rm -rf "$prefix"' EXIT

"$cmake" --install "$build" --prefix "$prefix" >/dev/null || { echo "cmake --install failed" >&2; exit 1; }

failed=0
fail() { echo "install tree: $*" >&2; failed=1; }

[ -x "$prefix/bin/VYRSourceReturn" ] || fail "bin/VYRSourceReturn missing or not executable"
for f in share/icons/hicolor/scalable/apps/vyr-return.svg \
         share/icons/hicolor/48x48/apps/vyr-return.png \
         share/doc/vyr-return/vyrntpnl.ini; do
  [ -s "$prefix/$f" ] || fail "$f missing or empty"
done
# The desktop entry starts the program with its icon; the unit runs the
# installed program headless in /var/lib/vyr-return, with readiness and
# watchdog.
desktop=share/applications/vyr-return.desktop
unit=lib/systemd/system/vyr-return.service
for check in "$desktop|Exec=VYRSourceReturn" "$desktop|Icon=vyr-return" \
             "$unit|ExecStart=/.*/bin/VYRSourceReturn --headless --folder /var/lib/vyr-return" \
             "$unit|Type=notify" "$unit|WatchdogSec=10"; do
  grep -qx "${check#*|}" "$prefix/${check%%|*}" 2>/dev/null || fail "${check%%|*} lacks ${check#*|}"
done

if [ -x "$prefix/bin/VYRSourceReturn" ]; then
  "$prefix/bin/VYRSourceReturn" --help >/dev/null || fail "installed program --help exited $?"
fi
exit $failed

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
for f in share/applications/vyr-return.desktop \
         share/icons/hicolor/scalable/apps/vyr-return.svg \
         share/icons/hicolor/48x48/apps/vyr-return.png \
         lib/systemd/system/vyr-return.service \
         share/doc/vyr-return/vyrntpnl.ini; do
  [ -s "$prefix/$f" ] || fail "$f missing or empty"
done
grep -qx 'Exec=VYRSourceReturn' "$prefix/share/applications/vyr-return.desktop" 2>/dev/null \
  || fail "desktop entry does not start VYRSourceReturn"
grep -qx 'Icon=vyr-return' "$prefix/share/applications/vyr-return.desktop" 2>/dev/null \
  || fail "desktop entry does not name the vyr-return icon"
grep -qE '^ExecStart=/.*/bin/VYRSourceReturn --headless --folder /var/lib/vyr-return$' \
  "$prefix/lib/systemd/system/vyr-return.service" 2>/dev/null \
  || fail "unit does not run the installed program headless in /var/lib/vyr-return"

for line in Type=notify WatchdogSec=10; do
  grep -qx "$line" "$prefix/lib/systemd/system/vyr-return.service" 2>/dev/null \
    || fail "unit lacks $line (readiness and watchdog)"
done

if [ -x "$prefix/bin/VYRSourceReturn" ]; then
  "$prefix/bin/VYRSourceReturn" --help >/dev/null || fail "installed program --help exited $?"
fi
exit $failed

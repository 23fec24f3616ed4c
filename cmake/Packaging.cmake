# Debian package of the program, built by hand from a configured build tree:
#   cmake -S . -B build-pkg -DCMAKE_INSTALL_PREFIX=/usr -DVYR_BUILD_TESTS=OFF
#   cmake --build build-pkg -j2 && (cd build-pkg && cpack -G DEB)
# scripts/package.sh does exactly that. Only cpack needs dpkg-dev (for
# dpkg-shlibdeps); configuring and building do not.

set(CPACK_PACKAGE_NAME "vyr-return")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "VYR Return developers")
set(CPACK_PACKAGE_CONTACT "VYR Return developers <vyr-return@example.org>" CACHE STRING
    "Maintainer line of the Debian package")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "control panel that returns switcher outputs from dead air")
# The summary is the package's one-line synopsis; this is the text below it.
set(CPACK_PACKAGE_DESCRIPTION
    "VYR Return holds one TCP connection to the Server Module of a broadcast
audio switcher and watches chosen outputs. When a watched output goes Off
it puts it back on the source it last carried, or on a configured source,
at once or after a wait. It runs with a window on the desktop, or headless
as a systemd service (vyr-return.service).")

# The package installs where the build was configured to install, so the
# path in the unit's ExecStart and the files in the package agree.
set(CPACK_PACKAGING_INSTALL_PREFIX "${CMAKE_INSTALL_PREFIX}")

set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION "sound")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# dpkg-shlibdeps turns the libraries the program links into Depends
# (the Qt 6 runtime, libsystemd0 for the service's readiness and watchdog
# messages, libstdc++, libc).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

set(CPACK_GENERATOR "DEB")
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git/" "/build[^/]*/")

include(CPack)

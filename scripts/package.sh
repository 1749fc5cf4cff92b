#!/bin/bash
# Builds the Debian package build-deb/tessarine3d_<version>_<arch>.deb, with
# Debian's own compiler and linker hardening flags, and prints its path.
set -euo pipefail
cd "$(dirname "$0")/.."
# Only the package's path goes to standard output.
scripts/deps.sh package >&2
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S . -B build-deb -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
cmake --build build-deb -j "$(nproc)" >/dev/null
rm -f build-deb/tessarine3d_*.deb
(cd build-deb && cpack -G DEB >/dev/null)
# Built under sudo, the build directory stays the invoking user's.
if [ "$(id -u)" -eq 0 ] && [ -n "${SUDO_UID:-}" ] && [ "$(stat -c %u .)" = "$SUDO_UID" ]; then
  chown -R "$SUDO_UID:${SUDO_GID:-$SUDO_UID}" build-deb
fi
ls "$PWD"/build-deb/tessarine3d_*.deb

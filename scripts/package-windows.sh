#!/bin/bash
# Builds the game for 64-bit Windows on Debian 12 and writes its two
# artefacts to build-win/, printing their paths, one a line:
#   tessarine3d-VERSION-windows-x64.zip        the portable game in one folder
#   tessarine3d-VERSION-windows-x64-setup.exe  the per-user installer
# freeglut, SDL 2 and GoogleTest are built for Windows once and kept in
# build-win/libraries; the build's tests run under Wine (ctest --test-dir build-win).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh windows >&2
build=$PWD/build-win
scripts/windows-libraries.sh "$build/libraries" >&2
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" \
  -DTESSARINE_WINDOWS_LIBRARIES="$build/libraries/prefix" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_CXX_FLAGS=-Werror >/dev/null
cmake --build "$build" -j "$(nproc)" >&2
x86_64-w64-mingw32-strip -o "$build/tessarine3d-stripped.exe" "$build/tessarine3d.exe"

version=$(sed -n 's/^project(Tessarine3D VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
name=tessarine3d-$version-windows-x64

# What both artefacts carry, with Windows line ends in the texts.
stage=$build/stage/$name
rm -rf "$build/stage" && mkdir -p "$stage"
cp "$build/tessarine3d-stripped.exe" "$stage/tessarine3d.exe"
cp "$build"/block_*.bmp "$stage/"
sed 's/$/\r/' LICENSE >"$stage/LICENSE.txt"
{
  echo "Tessarine 3D's tessarine3d.exe contains these libraries, linked statically."
  echo
  echo "== freeglut"
  echo
  cat "$build/libraries/prefix/share/licenses/freeglut/COPYING"
  echo
  echo "== SDL 2"
  echo
  cat "$build/libraries/prefix/share/licenses/SDL2/copyright"
  echo
  echo "== The MinGW-w64 run-time and its winpthreads library"
  echo
  cat /usr/share/doc/mingw-w64-x86-64-dev/copyright
} | sed 's/$/\r/' >"$stage/THIRD-PARTY-NOTICES.txt"

zip=$build/$name.zip
rm -f "$zip"
(cd "$build/stage" && zip -q -X -r "$zip" "$name")

setup=$build/$name-setup.exe
cp "$build/icons/tessarine3d.ico" "$build/stage/tessarine3d.ico"
makensis -V2 -DVERSION="$version" -DSTAGE="$stage" -DOUTFILE="$setup" dist/windows/installer.nsi >&2
echo "$zip"
echo "$setup"

#!/bin/bash
# Builds the game as a web page on Debian 12: the site goes to build-web/site/
# (its entry index.html) and the same files to
# build-web/tessarine3d-VERSION-web.zip, whose path it prints. Either is ready
# for any static web host. SDL 2, FreeType and GoogleTest are built with
# Emscripten once and kept in build-web/libraries; the build's unit tests and
# the tests' own pages are built by `cmake --build build-web` afterwards.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh web >&2
build=$PWD/build-web
# Emscripten's optimiser loads Debian's acorn from node's module directory.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
scripts/web-libraries.sh "$build/libraries" >&2
# emcmake names the command it runs on standard error.
emcmake cmake -S . -B "$build" -G Ninja -DTESSARINE_WEB_LIBRARIES="$build/libraries/prefix" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS=-Werror >/dev/null 2>"$build/configure.log" ||
  { cat "$build/configure.log" >&2; exit 1; }
cmake --build "$build" --target site -j "$(nproc)" >&2

version=$(sed -n 's/^project(Tessarine3D VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
name=tessarine3d-$version-web
stage=$build/stage/$name
rm -rf "$build/stage" && mkdir -p "$build/stage"
cp -r "$build/site" "$stage"
zip=$build/$name.zip
rm -f "$zip"
(cd "$build/stage" && zip -q -X -r "$zip" "$name")
echo "$zip"

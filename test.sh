#!/bin/bash
# Installs what is missing, builds and runs every test: a g++ build, a clang
# build with AddressSanitizer and UndefinedBehaviorSanitizer, the Debian
# package and its checks, a bounded libFuzzer run of the BMP reader, the
# Windows game cross-built and tested under Wine with its zip and installer,
# and the web game built with Emscripten and played in headless Chromium.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh test
jobs=$(nproc)

# What git sees in the source tree, ignored files too, outside the build
# directories: the tests must leave it as they found it.
tree_state() {
  git -c safe.directory="$PWD" status --porcelain --ignored | grep -v -E '^!! build[^/]*/$' || true
}
tree_before=$(tree_state)

# Under sudo (to check the package's install and removal) the build
# directories go back to the user who ran it, whatever the outcome, so that
# their next ./test.sh or scripts/package.sh can write them.
build_dirs=(build-test build-asan build-deb build-fuzz build-win build-web)
under_sudo=
if [ "$(id -u)" -eq 0 ] && [ -n "${SUDO_UID:-}" ] && [ "$(stat -c %u .)" = "$SUDO_UID" ]; then
  under_sudo=yes
  give_back() {
    for dir in "${build_dirs[@]}"; do
      [ -e "$dir" ] && chown -R "$SUDO_UID:${SUDO_GID:-$SUDO_UID}" "$dir"
    done
    return 0
  }
  trap give_back EXIT
fi

echo "== g++ build"
cmake -S . -B build-test -DCMAKE_CXX_COMPILER=g++ -DCMAKE_CXX_FLAGS=-Werror >/dev/null
cmake --build build-test -j "$jobs"
ctest --test-dir build-test --output-on-failure -j "$jobs"

echo "== clang build with ASan and UBSan"
cmake -S . -B build-asan -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_CXX_FLAGS=-Werror \
  -DCMAKE_BUILD_TYPE=Debug -DTESSARINE_SANITIZE=ON >/dev/null
cmake --build build-asan -j "$jobs"
ctest --test-dir build-asan --output-on-failure -j "$jobs"

echo "== Debian package"
deb=$(scripts/package.sh)
tests/package_check.sh "$deb"

echo "== libFuzzer run of the BMP reader, 60 s"
cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_CXX_FLAGS=-Werror -DTESSARINE_FUZZ=ON >/dev/null
cmake --build build-fuzz --target dib_fuzz -j "$jobs"
mkdir -p build-fuzz/corpus
# New inputs go to the first directory, so the committed seeds stay as they
# are; a crash, leak, timeout or memory blow-up ends it with a non-zero status.
# Its progress lines go to a log; a finding shows the log's end.
if ! build-fuzz/tests/dib_fuzz -max_total_time=60 -timeout=10 -close_fd_mask=2 -print_final_stats=1 \
  -artifact_prefix=build-fuzz/ build-fuzz/corpus tests/dib_corpus >build-fuzz/fuzz.log 2>&1; then
  tail -n 100 build-fuzz/fuzz.log || true
  echo "The BMP reader's fuzz run found a fault; the input is in build-fuzz/." >&2
  exit 1
fi
grep -E '^(#[0-9]+\s+DONE|stat::number_of_executed_units)' build-fuzz/fuzz.log || true

echo "== Windows: cross build, unit tests and end-to-end under Wine, zip and installer"
scripts/deps.sh windows
# A scratch Wine prefix for every run; the libraries built for Windows stay.
rm -rf build-win/wine
mapfile -t windows_artefacts < <(scripts/package-windows.sh)
[ ${#windows_artefacts[@]} -eq 2 ] || { echo "scripts/package-windows.sh failed" >&2; exit 1; }
ctest --test-dir build-win --output-on-failure
scripts/with-xvfb.sh bash tests/windows_e2e.sh build-win "${windows_artefacts[@]}"

echo "== Web: the site and its zip, the unit tests under node, the page played in headless Chromium"
scripts/deps.sh web
web_zip=$(scripts/package-web.sh)
[ -f "$web_zip" ] || { echo "scripts/package-web.sh failed" >&2; exit 1; }
# The unit tests and the tests' own page (the game with the alternating rand()).
NODE_PATH=/usr/share/nodejs cmake --build build-web -j "$jobs"
ctest --test-dir build-web --output-on-failure
# Debian's Selenium is for Debian's Python; the Linux build's menu is the web menu's model.
/usr/bin/python3 tests/web_e2e.py build-web build-test

if [ -n "$under_sudo" ]; then
  echo "== As the user who ran sudo: nothing of root's left, and the package builds"
  give_back
  left=$(find . -user 0 -print | head -n 5)
  [ -z "$left" ] || { echo "Left behind as root's: $left" >&2; exit 1; }
  HOME=$(getent passwd "$SUDO_UID" | cut -d: -f6) \
    setpriv --reuid="$SUDO_UID" --regid="${SUDO_GID:-$SUDO_UID}" --init-groups scripts/package.sh
fi

echo "== The source tree as the tests found it"
tree_after=$(tree_state)
if [ "$tree_after" != "$tree_before" ]; then
  echo "The tests changed the source tree (git status before, then after):" >&2
  diff <(echo "$tree_before") <(echo "$tree_after") >&2 || true
  exit 1
fi

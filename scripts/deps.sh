#!/bin/bash
# Installs the Debian packages that Tessarine 3D needs and that are missing.
#   scripts/deps.sh play     what building and playing need
#   scripts/deps.sh package  that, and what building the Debian package needs
#   scripts/deps.sh test     all that, and what the tests need (Xvfb, xdotool,
#                            the package checkers, ...)
# A second argument, LOG, gets apt's output instead of the terminal; the
# list of what is installed is printed either way.
#   scripts/deps.sh windows  what cross-building the Windows game, its zip and
#                            installer need, and testing them under Wine
#   scripts/deps.sh web      what building the web game needs, and testing it
#                            in headless Chromium driven by Selenium
set -euo pipefail

play_packages=(g++ cmake make pkg-config freeglut3-dev libgl1-mesa-dev libglu1-mesa-dev libgl1-mesa-dri
               libfreetype-dev libpng-dev libfontconfig-dev fontconfig fonts-liberation2 librsvg2-bin
               libsdl2-dev libasound2-dev libglib2.0-dev)
package_packages=(dpkg-dev file)
# wine64 alone gives no `wine` command; dpkg-dev unpacks the Debian source
# packages of freeglut and SDL 2, and ninja-build configures SDL's faster;
# libgtest-dev brings GoogleTest's sources for the Windows tests.
windows_packages=(g++-mingw-w64-x86-64-posix wine wine64 nsis cmake make ninja-build dpkg-dev libgtest-dev librsvg2-bin icoutils
                  zip unzip xvfb xdotool x11-utils imagemagick fonts-liberation2)
# Emscripten (with Debian's prebuilt system libraries, GL and GLUT among
# them) and its node; dpkg-dev and ninja-build as for Windows; libgtest-dev
# for the unit tests under node; the font the page carries; rsvg-convert for
# the page's icon and zip for the site's archive; Chromium, its WebDriver and
# Selenium's Python client for the tests, which read screenshots with ImageMagick.
web_packages=(emscripten nodejs cmake ninja-build dpkg-dev libgtest-dev fonts-liberation2 librsvg2-bin zip
              chromium chromium-driver python3-selenium imagemagick)
test_packages=(lintian desktop-file-utils appstream libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev xvfb xdotool x11-utils imagemagick
               sox gsettings-desktop-schemas)

case "${1:-}" in
  play) wanted=("${play_packages[@]}") ;;
  package) wanted=("${play_packages[@]}" "${package_packages[@]}") ;;
  test) wanted=("${play_packages[@]}" "${package_packages[@]}" "${test_packages[@]}") ;;
  windows) wanted=("${windows_packages[@]}") ;;
  web) wanted=("${web_packages[@]}") ;;
  *) echo "usage: $0 play|package|test|windows|web [LOG]" >&2; exit 2 ;;
esac

missing=()
for package in "${wanted[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
# From here on apt's output goes to the log, when there is one.
if [ -n "${2:-}" ]; then exec >>"$2" 2>&1; fi
sudo=()
[ "$(id -u)" -ne 0 ] && sudo=(sudo)
# Through env, as sudo drops the caller's environment: apt never stops to ask.
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"

#!/bin/bash
# Builds the static libraries the Windows game and its tests link, with the
# cross toolchain, into DIRECTORY/prefix, and keeps them there between runs:
#   freeglut and SDL 2, from Debian's own source packages, fetched with
#     `apt-get source` through a private apt configuration (the system's
#     sources stay as they are);
#   GoogleTest, from the sources Debian's libgtest-dev installs under /usr/src.
# Usage: scripts/windows-libraries.sh DIRECTORY
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
directory=$(mkdir -p "$1" && cd "$1" && pwd)
prefix=$directory/prefix
toolchain=$root/cmake/mingw-w64-x86_64.cmake
jobs=$(nproc)
cross=(-DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix")

# A deb-src twin of every archive the machine is configured with, in a
# private apt tree made afresh by the first fetch of a run: one-line sources
# and deb822 ones alike.
apt=$directory/apt
apt_options=(-o Dir::Etc::SourceList="$apt/sources.list" -o Dir::Etc::SourceParts="$apt/sources.list.d"
             -o Dir::State::Lists="$apt/lists" -o Dir::Cache="$apt/cache" -o Debug::NoLocking=1
             -o APT::Sandbox::User=root)
rm -rf "$apt"
# fetch_source PACKAGE: unpacks PACKAGE's Debian source into $apt/source and
# sets source_dir to its tree.
fetch_source() {
  if [ ! -d "$apt" ]; then
    mkdir -p "$apt/sources.list.d" "$apt/lists/partial" "$apt/cache/archives/partial" "$apt/source"
    if [ -f /etc/apt/sources.list ]; then
      sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' /etc/apt/sources.list >"$apt/sources.list"
    else
      : >"$apt/sources.list"
    fi
    for file in /etc/apt/sources.list.d/*.sources; do
      [ -e "$file" ] || continue
      sed 's/^Types:.*/Types: deb-src/' "$file" >"$apt/sources.list.d/$(basename "$file")"
    done
    apt-get "${apt_options[@]}" update -qq
  fi
  (cd "$apt/source" && apt-get "${apt_options[@]}" source -qq "$1" >/dev/null)
  source_dir=$(find "$apt/source" -mindepth 1 -maxdepth 1 -type d -name "$1-*" | head -n 1)
  [ -n "$source_dir" ] || { echo "apt-get source gave no $1 tree" >&2; exit 1; }
}

if [ ! -f "$prefix/lib/libglut.a" ]; then
  echo "Building freeglut for Windows"
  fetch_source freeglut
  cmake -S "$source_dir" -B "$directory/freeglut-build" "${cross[@]}" \
    -DFREEGLUT_BUILD_SHARED_LIBS=OFF -DFREEGLUT_BUILD_STATIC_LIBS=ON -DFREEGLUT_BUILD_DEMOS=OFF \
    -DFREEGLUT_REPLACE_GLUT=ON >/dev/null
  cmake --build "$directory/freeglut-build" -j "$jobs" >/dev/null
  cmake --install "$directory/freeglut-build" >/dev/null
  # Its terms ask that the notice go with every copy of the library.
  mkdir -p "$prefix/share/licenses/freeglut"
  cp "$source_dir/COPYING" "$prefix/share/licenses/freeglut/COPYING"
fi

# SDL 2 for sound and game controllers only: freeglut keeps the window, GL,
# the keys and the main loop, so no SDL2main, no renderer, no GL or Vulkan.
# SDL's Windows video driver is built but never started: SDL 2.26 does not
# link without it (its function table names the driver's functions), and
# DirectInput needs the driver's helper window. The audio drivers are WASAPI,
# DirectSound and winmm, with the disk and dummy ones for tests; the joysticks
# are XInput, DirectInput, RawInput and HIDAPI, with the built-in controller
# mappings. Ninja runs SDL's 175 configure checks with about a fifth less
# processor time than make. The cache's mark is the last file written.
if [ ! -f "$prefix/share/licenses/SDL2/copyright" ]; then
  echo "Building SDL 2 for Windows"
  fetch_source libsdl2
  cmake -S "$source_dir" -B "$directory/sdl-build" -G Ninja "${cross[@]}" \
    -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF -DSDL2_DISABLE_SDL2MAIN=ON -DSDL2_DISABLE_UNINSTALL=ON \
    -DSDL_AUDIO=ON -DSDL_DISKAUDIO=ON -DSDL_DUMMYAUDIO=ON -DSDL_JOYSTICK=ON -DSDL_HIDAPI=ON \
    -DSDL_RENDER=OFF -DSDL_HAPTIC=OFF -DSDL_SENSOR=OFF -DSDL_POWER=OFF -DSDL_FILESYSTEM=OFF \
    -DSDL_LOCALE=OFF -DSDL_MISC=OFF -DSDL_OPENGL=OFF -DSDL_OPENGLES=OFF -DSDL_VULKAN=OFF \
    -DSDL_RENDER_D3D=OFF -DSDL_DUMMYVIDEO=OFF -DSDL_OFFSCREEN=OFF >/dev/null
  cmake --build "$directory/sdl-build" -j "$jobs" >/dev/null
  cmake --install "$directory/sdl-build" >/dev/null
  # Debian's account of every licence in the source: the zlib licence of SDL
  # itself, and those of the parts it carries (HIDAPI, the maths functions, ...).
  cp "$source_dir/debian/copyright" "$prefix/share/licenses/SDL2/copyright"
fi

if [ ! -f "$prefix/lib/libgtest.a" ]; then
  echo "Building GoogleTest for Windows"
  cmake -S /usr/src/googletest -B "$directory/googletest-build" "${cross[@]}" -Dgtest_disable_pthreads=OFF >/dev/null
  cmake --build "$directory/googletest-build" -j "$jobs" >/dev/null
  cmake --install "$directory/googletest-build" >/dev/null
fi

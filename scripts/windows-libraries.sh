#!/bin/bash
# Builds the static libraries the Windows game and its tests link, with the
# cross toolchain, into DIRECTORY/prefix, and keeps them there between runs:
#   freeglut and SDL 2, from Debian's own source packages
#     (scripts/debian-source.sh);
#   GoogleTest, from the sources Debian's libgtest-dev installs under /usr/src.
# Usage: scripts/windows-libraries.sh DIRECTORY
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
directory=$(mkdir -p "$1" && cd "$1" && pwd)
prefix=$directory/prefix
toolchain=$root/cmake/mingw-w64-x86_64.cmake
jobs=$(nproc)
cross=(-DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix")

source "$root/scripts/debian-source.sh" "$directory/apt"

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

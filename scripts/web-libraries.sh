#!/bin/bash
# Builds the static libraries the web game and its tests link, with
# Emscripten (`emcmake cmake`), into DIRECTORY/prefix, and keeps them there
# between runs:
#   SDL 2 and FreeType, from Debian's own source packages
#     (scripts/debian-source.sh), each with its licence text in
#     prefix/share/licenses;
#   GoogleTest, from the sources Debian's libgtest-dev installs under /usr/src.
# OpenGL, GLU and GLUT come with Emscripten itself.
# Usage: scripts/web-libraries.sh DIRECTORY
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
directory=$(mkdir -p "$1" && cd "$1" && pwd)
prefix=$directory/prefix
jobs=$(nproc)
# Emscripten's tools run under node, and load Debian's acorn from its own
# module directory, which a node not from Debian does not search.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
web=(-G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix")

source "$root/scripts/debian-source.sh" "$directory/apt"

# SDL 2 for sound and game controllers only: Emscripten's GLUT keeps the
# canvas, GL, the keys and the main loop, so no video, renderer or GL. Audio is
# the Web Audio driver (with the dummy one for tests), joysticks the browser's
# Gamepad API, with the built-in controller mappings. Without threads, as the
# game is built without them. Every one of its 160 configure checks runs emcc,
# which takes about three minutes; the build itself takes a fraction of that.
# The cache's mark is the last file written.
if [ ! -f "$prefix/share/licenses/SDL2/copyright" ]; then
  echo "Building SDL 2 for the web"
  fetch_source libsdl2
  emcmake cmake -S "$source_dir" -B "$directory/sdl-build" "${web[@]}" \
    -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF -DSDL2_DISABLE_SDL2MAIN=ON -DSDL2_DISABLE_UNINSTALL=ON \
    -DSDL_THREADS=OFF -DSDL_AUDIO=ON -DSDL_DUMMYAUDIO=ON -DSDL_DISKAUDIO=OFF -DSDL_JOYSTICK=ON \
    -DSDL_HIDAPI=OFF -DSDL_VIDEO=OFF -DSDL_RENDER=OFF -DSDL_HAPTIC=OFF -DSDL_SENSOR=OFF -DSDL_POWER=OFF \
    -DSDL_FILESYSTEM=OFF -DSDL_LOCALE=OFF -DSDL_MISC=OFF -DSDL_OPENGL=OFF -DSDL_OPENGLES=OFF \
    -DSDL_VULKAN=OFF >/dev/null
  cmake --build "$directory/sdl-build" -j "$jobs" >/dev/null
  cmake --install "$directory/sdl-build" >/dev/null
  # Debian's account of every licence in the source: the zlib licence of SDL
  # itself, and those of the parts it carries.
  cp "$source_dir/debian/copyright" "$prefix/share/licenses/SDL2/copyright"
fi

# FreeType for the text's glyphs, from a TrueType font the page carries: no
# compressed fonts, PNG glyphs or shaping, so none of zlib, bzip2, Brotli,
# libpng or HarfBuzz. Only the TrueType driver, its tables and the two
# renderers (monochrome and anti-aliased) are registered, which halves the
# page's wasm; the glyphs are the same as with every module.
if [ ! -f "$prefix/share/licenses/freetype/copyright" ]; then
  echo "Building FreeType for the web"
  fetch_source freetype
  cat >"$source_dir/include/freetype/config/ftmodule.h" <<'MODULES'
FT_USE_MODULE( FT_Driver_ClassRec, tt_driver_class )
FT_USE_MODULE( FT_Module_Class, sfnt_module_class )
FT_USE_MODULE( FT_Renderer_Class, ft_raster1_renderer_class )
FT_USE_MODULE( FT_Renderer_Class, ft_smooth_renderer_class )
MODULES
  emcmake cmake -S "$source_dir" -B "$directory/freetype-build" "${web[@]}" -DBUILD_SHARED_LIBS=OFF \
    -DFT_DISABLE_ZLIB=ON -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_PNG=ON -DFT_DISABLE_HARFBUZZ=ON \
    -DFT_DISABLE_BROTLI=ON >/dev/null
  cmake --build "$directory/freetype-build" -j "$jobs" >/dev/null
  cmake --install "$directory/freetype-build" >/dev/null
  # Debian's account of its licences: the FreeType Project's licence, which
  # asks for credit in the documentation, or the GPL, at the user's choice.
  mkdir -p "$prefix/share/licenses/freetype"
  cp "$source_dir/debian/copyright" "$prefix/share/licenses/freetype/copyright"
fi

# Without threads: the tests run in node on the main thread.
if [ ! -f "$prefix/lib/libgtest.a" ]; then
  echo "Building GoogleTest for the web"
  emcmake cmake -S /usr/src/googletest -B "$directory/googletest-build" "${web[@]}" \
    -Dgtest_disable_pthreads=ON >/dev/null
  cmake --build "$directory/googletest-build" -j "$jobs" >/dev/null
  cmake --install "$directory/googletest-build" >/dev/null
fi

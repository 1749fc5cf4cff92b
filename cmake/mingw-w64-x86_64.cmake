# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (the POSIX
# thread model, which C++11 threads and GoogleTest want).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(toolchain_prefix x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${toolchain_prefix}-gcc-posix)
set(CMAKE_CXX_COMPILER ${toolchain_prefix}-g++-posix)
set(CMAKE_RC_COMPILER ${toolchain_prefix}-windres)

# The target's headers and libraries, and the static ones built for it by
# scripts/windows-libraries.sh (-DTESSARINE_WINDOWS_LIBRARIES=ITS_PREFIX).
set(CMAKE_FIND_ROOT_PATH /usr/${toolchain_prefix} ${TESSARINE_WINDOWS_LIBRARIES})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The built programs run on this machine under Wine, the generator of the
# block images and the tests, in the build directory's own Wine prefix; no
# Mono or Gecko installer is offered when the prefix is made.
find_program(WINE_PROGRAM wine)
if(WINE_PROGRAM)
  set(CMAKE_CROSSCOMPILING_EMULATOR env WINEPREFIX=${CMAKE_BINARY_DIR}/wine WINEDLLOVERRIDES=mscoree,mshtml=
      WINEDEBUG=-all ${WINE_PROGRAM})
endif()

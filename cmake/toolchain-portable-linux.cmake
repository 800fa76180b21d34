# The portable Linux launcher, built inside the bullseye build root by
# scripts/portable/build-launcher.sh: SDL2, SDL_ttf and FreeType linked in
# statically from MAVREL_PORTABLE_PREFIX (made by build-libs.sh), the C++
# runtime linked in, and every C library symbol newer than 2.17 pinned back
# (glibc-pins.h, forced into every source file).
set(MAVREL_PORTABLE ON CACHE BOOL "Portable Linux launcher: static SDL, SDL_ttf and FreeType" FORCE)
if(NOT MAVREL_PORTABLE_PREFIX)
  set(MAVREL_PORTABLE_PREFIX "$ENV{MAVREL_PORTABLE_PREFIX}")
endif()
if(NOT MAVREL_PORTABLE_PREFIX)
  set(MAVREL_PORTABLE_PREFIX /static)
endif()
set(MAVREL_PORTABLE_PREFIX "${MAVREL_PORTABLE_PREFIX}" CACHE PATH "Static SDL, SDL_ttf and FreeType")
# try_compile projects see the toolchain again without the cache.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES MAVREL_PORTABLE_PREFIX)

set(MAVREL_GLIBC_PINS "${CMAKE_CURRENT_LIST_DIR}/../scripts/portable/glibc-pins.h")
# close_range (Linux 5.9) is newer than the build root's C library headers;
# the program falls back when the running kernel lacks it.
set(_flags "-include ${MAVREL_GLIBC_PINS} -ffunction-sections -fdata-sections -DSYS_close_range=436")
set(CMAKE_C_FLAGS_INIT "${_flags}")
set(CMAKE_CXX_FLAGS_INIT "${_flags}")
# No SDL, SDL_ttf or FreeType symbol leaves the program; unused sections go.
set(CMAKE_EXE_LINKER_FLAGS_INIT
    "-static-libstdc++ -static-libgcc -Wl,--exclude-libs,ALL -Wl,--gc-sections -Wl,--as-needed")
# Functions the build root's C library has and 2.17 lacks (glibc-compat.c).
if(EXISTS "${MAVREL_PORTABLE_PREFIX}/lib/libmavrel-glibc-compat.a")
  set(CMAKE_CXX_STANDARD_LIBRARIES "${MAVREL_PORTABLE_PREFIX}/lib/libmavrel-glibc-compat.a")
  set(CMAKE_C_STANDARD_LIBRARIES "${MAVREL_PORTABLE_PREFIX}/lib/libmavrel-glibc-compat.a")
endif()
# pkg-config finds the static libraries' .pc files first.
list(PREPEND CMAKE_PREFIX_PATH "${MAVREL_PORTABLE_PREFIX}")

# The portable Linux launcher (MAVREL_PORTABLE, set by
# cmake/toolchain-portable-linux.cmake): included by the desktop backend's
# CMake after its targets exist. SDL2 is linked from the static prefix in
# place of the shared library pkg-config names, SDL_ttf and FreeType are
# linked in beside it, and text_libraries.cpp binds the SDL_ttf calls to the
# linked functions (fontconfig alone is loaded at run time).
set(_prefix "${MAVREL_PORTABLE_PREFIX}/lib")
foreach(_lib SDL2_ttf freetype SDL2)
  if(NOT EXISTS "${_prefix}/lib${_lib}.a")
    message(FATAL_ERROR "MAVREL_PORTABLE: ${_prefix}/lib${_lib}.a is missing (scripts/portable/build-libs.sh)")
  endif()
endforeach()
# SDL_ttf before FreeType and SDL: the linker takes archives in order.
set_property(TARGET PkgConfig::MAVREL_SDL PROPERTY INTERFACE_LINK_LIBRARIES
  "${_prefix}/libSDL2_ttf.a;${_prefix}/libfreetype.a;${_prefix}/libSDL2.a;m;dl;pthread;rt")
set_property(SOURCE ${CMAKE_SOURCE_DIR}/src/platform/desktop/text_libraries.cpp
  APPEND PROPERTY COMPILE_DEFINITIONS MAVREL_TEXT_LINKED=1)

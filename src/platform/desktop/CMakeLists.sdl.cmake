# The SDL desktop launcher: window, events and message boxes (SDL2), text
# (SDL_ttf, fonts found through fontconfig), pictures, programs and
# documents. Included by CMakeLists.txt beside it.
find_package(PkgConfig REQUIRED)
pkg_check_modules(MAVREL_SDL REQUIRED IMPORTED_TARGET sdl2)
# SDL_ttf and fontconfig: their headers only; the libraries themselves are
# loaded at run time when text is first needed (text_libraries.h).
pkg_check_modules(MAVREL_TEXT REQUIRED sdl2 SDL2_ttf fontconfig)
# Xlib for the error handler in main.cpp and for asking the X server why SDL
# could not connect (startup_environment.cpp); SDL itself uses the same libX11.
pkg_check_modules(MAVREL_X11 REQUIRED IMPORTED_TARGET x11)

add_library(mavrel_desktop STATIC
  ${CMAKE_CURRENT_SOURCE_DIR}/desktop_platform.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/desktop_surface.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/desktop_text.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/dib_decoder.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/font_resolver.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/message_box.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/program_start.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/startup_environment.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/text_libraries.cpp)
target_include_directories(mavrel_desktop PUBLIC ${CMAKE_SOURCE_DIR}/src
  ${MAVREL_TEXT_INCLUDE_DIRS})
target_compile_options(mavrel_desktop PUBLIC ${MAVREL_TEXT_CFLAGS_OTHER})
target_link_libraries(mavrel_desktop PUBLIC mavrel_desktop_files mavrel_core mavrel_portable
  PkgConfig::MAVREL_SDL PkgConfig::MAVREL_X11 ${CMAKE_DL_LIBS})

add_executable(mavrel ${CMAKE_CURRENT_SOURCE_DIR}/main.cpp)
target_link_libraries(mavrel PRIVATE mavrel_desktop mavrel_core PkgConfig::MAVREL_X11)
# The C++ runtime linked in: two shared libraries fewer to map and relocate
# before main (the libraries the launcher uses are C and need neither).
# Sanitized builds keep the shared runtime their sanitizers expect.
if(NOT MAVREL_SANITIZE AND CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  target_link_options(mavrel PRIVATE -static-libstdc++ -static-libgcc)
endif()

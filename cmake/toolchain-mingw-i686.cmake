# Cross-compiling the Windows programs with MinGW-w64 (i686). The programs
# are linked statically so that they need no DLL beyond those of Windows
# itself, and are built small.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(MAVREL_MINGW_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

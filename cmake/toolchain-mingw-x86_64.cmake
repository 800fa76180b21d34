# Cross-compiling the Windows programs with MinGW-w64 (x86_64). The programs
# are linked statically so that they need no DLL beyond those of Windows
# itself, and are built small.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MAVREL_MINGW_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

# Tests of the Windows programs, given the build folders of the mingw builds
# (MAVREL_WINDOWS_x86_64_DIR, MAVREL_WINDOWS_i686_DIR):
#  - both builds: the launcher, mavrel-inspect and the test helper are PE
#    files of the right machine and subsystem that import no DLL beyond
#    those of Windows itself; the launcher carries icon group 107 and its
#    manifest. The check is shown to fail on a program with a foreign DLL.
#  - x86_64 build, under wine64 on a private Xvfb: the backend's own checks
#    of its system calls, the launcher end to end,
#    and mavrel-inspect against this build's own (the platform's settings
#    reader against ours). These share one wine prefix, made first by a
#    fixture, and run one at a time.
if(NOT MAVREL_WINDOWS_x86_64_DIR AND NOT MAVREL_WINDOWS_i686_DIR)
  return()
endif()

# A program of this machine that reads PE files (its source sits with the
# Windows test programs).
add_executable(mavrel-pe-check ${CMAKE_CURRENT_SOURCE_DIR}/../win32/pe_check.cpp)

foreach(arch x86_64 i686)
  set(windir "${MAVREL_WINDOWS_${arch}_DIR}")
  if(NOT windir)
    continue()
  endif()
  add_test(NAME windows_${arch}_launcher_imports_icon_manifest
    COMMAND mavrel-pe-check --machine ${arch} --subsystem gui --icon-group 107 --manifest
            ${windir}/Mavrel.exe)
  add_test(NAME windows_${arch}_helper_imports
    COMMAND mavrel-pe-check --machine ${arch} --subsystem gui ${windir}/mavrel-test-helper.exe)
  add_test(NAME windows_${arch}_inspect_imports
    COMMAND mavrel-pe-check --machine ${arch} --subsystem console
            ${windir}/tools/mavrel-inspect.exe)
  add_test(NAME windows_${arch}_import_check_refuses_foreign_dll
    COMMAND mavrel-pe-check --machine ${arch} --subsystem console
            ${windir}/mavrel-test-foreign-dll.exe)
  # Passes only when the check names that very DLL as a failure.
  set_tests_properties(windows_${arch}_import_check_refuses_foreign_dll PROPERTIES
    PASS_REGULAR_EXPRESSION "FAILED: imports WS2_32.dll")
  set_tests_properties(windows_${arch}_launcher_imports_icon_manifest windows_${arch}_helper_imports
    windows_${arch}_inspect_imports windows_${arch}_import_check_refuses_foreign_dll
    PROPERTIES LABELS windows)
endforeach()

find_program(MAVREL_WINE64 wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(MAVREL_WINE64 wine64)
find_program(MAVREL_WINESERVER wineserver PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(MAVREL_WINESERVER wineserver)
if(NOT MAVREL_WINDOWS_x86_64_DIR OR NOT MAVREL_WINE64 OR NOT MAVREL_WINESERVER)
  message(STATUS "Windows tests under wine64: not built (needs the x86_64 build and wine64)")
  return()
endif()

add_executable(mavrel_windows_e2e_tests
  ${CMAKE_CURRENT_SOURCE_DIR}/windows_e2e_support.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/windows_wine_prefix_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/windows_backend_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/windows_e2e_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/windows_differential_test.cpp)
target_link_libraries(mavrel_windows_e2e_tests PRIVATE mavrel_test_support GTest::gtest_main)
target_compile_definitions(mavrel_windows_e2e_tests PRIVATE
  MAVREL_NATIVE_INSPECT="$<TARGET_FILE:mavrel-inspect>"
  MAVREL_DIFFERENTIAL_DIR="${CMAKE_CURRENT_SOURCE_DIR}/differential"
  MAVREL_WINE64="${MAVREL_WINE64}"
  MAVREL_WINESERVER="${MAVREL_WINESERVER}"
  MAVREL_WINDOWS_DIR="${MAVREL_WINDOWS_x86_64_DIR}"
  MAVREL_WINE_PREFIX="${CMAKE_CURRENT_BINARY_DIR}/wine/prefix"
  MAVREL_E2E_WORK_DIR="${CMAKE_CURRENT_BINARY_DIR}/windows-media")

add_test(NAME windows_wine_prefix
  COMMAND mavrel_windows_e2e_tests --gtest_filter=WinePrefix.*)
set_tests_properties(windows_wine_prefix PROPERTIES
  FIXTURES_SETUP wine_prefix RESOURCE_LOCK wine TIMEOUT 400)

add_test(NAME windows_x86_64_backend_checks_under_wine
  COMMAND mavrel_windows_e2e_tests --gtest_filter=Win32Backend.*)
set_tests_properties(windows_x86_64_backend_checks_under_wine PROPERTIES
  FIXTURES_REQUIRED wine_prefix RESOURCE_LOCK wine TIMEOUT 300)

add_test(NAME windows_e2e_launcher_under_wine
  COMMAND mavrel_windows_e2e_tests --gtest_filter=LauncherUnderWine.*)
set_tests_properties(windows_e2e_launcher_under_wine PROPERTIES
  FIXTURES_REQUIRED wine_prefix RESOURCE_LOCK wine TIMEOUT 400)

add_test(NAME windows_settings_differential
  COMMAND mavrel_windows_e2e_tests --gtest_filter=SettingsDifferential.*:JsonFlattener.*)
set_tests_properties(windows_settings_differential PROPERTIES
  FIXTURES_REQUIRED wine_prefix RESOURCE_LOCK wine TIMEOUT 400)

set_tests_properties(windows_wine_prefix windows_x86_64_backend_checks_under_wine
  windows_e2e_launcher_under_wine windows_settings_differential PROPERTIES LABELS windows)

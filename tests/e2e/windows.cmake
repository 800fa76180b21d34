# Tests of the Windows programs, given the build folders of the mingw builds
# (MAVREL_WINDOWS_x86_64_DIR, MAVREL_WINDOWS_i686_DIR):
#  - both builds: the launcher, mavrel-inspect, the kit's placeholder
#    installer and the test helper are PE files of the right machine and
#    subsystem that import no DLL beyond those of Windows itself; the
#    launcher carries icon group 107 and its manifest, the placeholder its
#    manifest (a setup.exe without one asks for elevation); the shipped
#    programs carry the project's version resource.
#    The check is shown to fail on a program with a foreign DLL.
#  - each build under Wine on a private Xvfb (x86_64 under wine64, i686
#    under the 32-bit Wine that scripts/setup-wine32.sh installs): the
#    backend's own checks of its system calls, the launcher end to end, and
#    mavrel-inspect against this build's own (the platform's settings reader
#    against ours), and a medium as an image made by mavrel-inspect, started
#    from a drive that Wine types as a CD-ROM (each test says which build's
#    launcher the image holds). One test program serves both builds, told
#    which one by MAVREL_WINDOWS_ARCH; each build has its own wine prefix,
#    made first by a fixture, and the tests run one at a time.
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
            --version-info ${PROJECT_VERSION} ${windir}/Mavrel.exe)
  # The version check compares: another number must fail on the same file.
  add_test(NAME windows_${arch}_version_check_refuses_another_version
    COMMAND mavrel-pe-check --machine ${arch} --subsystem gui --version-info 9.8.7
            ${windir}/Mavrel.exe)
  set_tests_properties(windows_${arch}_version_check_refuses_another_version PROPERTIES
    PASS_REGULAR_EXPRESSION "FAILED: fixed file version [0-9.]+ \\(expected 9.8.7.0\\).*FAILED: product version")
  add_test(NAME windows_${arch}_placeholder_setup_imports_manifest
    COMMAND mavrel-pe-check --machine ${arch} --subsystem gui --manifest
            --version-info ${PROJECT_VERSION} ${windir}/starter/setup/setup.exe)
  add_test(NAME windows_${arch}_helper_imports
    COMMAND mavrel-pe-check --machine ${arch} --subsystem gui ${windir}/mavrel-test-helper.exe)
  add_test(NAME windows_${arch}_inspect_imports
    COMMAND mavrel-pe-check --machine ${arch} --subsystem console
            --version-info ${PROJECT_VERSION} ${windir}/tools/mavrel-inspect.exe)
  add_test(NAME windows_${arch}_import_check_refuses_foreign_dll
    COMMAND mavrel-pe-check --machine ${arch} --subsystem console
            ${windir}/mavrel-test-foreign-dll.exe)
  # Passes only when the check names that very DLL as a failure.
  set_tests_properties(windows_${arch}_import_check_refuses_foreign_dll PROPERTIES
    PASS_REGULAR_EXPRESSION "FAILED: imports WS2_32.dll")
  set_tests_properties(windows_${arch}_launcher_imports_icon_manifest windows_${arch}_helper_imports
    windows_${arch}_placeholder_setup_imports_manifest
    windows_${arch}_version_check_refuses_another_version
    windows_${arch}_inspect_imports windows_${arch}_import_check_refuses_foreign_dll
    PROPERTIES LABELS windows)
endforeach()

# x86_64: Debian's wine64. i686: the 32-bit Wine of scripts/setup-wine32.sh
# (its own Debian root), or a 32-bit Wine installed on this machine.
set(MAVREL_WINE32_ROOT "/opt/mavrel/wine32-root" CACHE PATH "Root holding the 32-bit Wine")
find_program(MAVREL_WINE64 wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(MAVREL_WINE64 wine64)
find_program(MAVREL_WINESERVER wineserver PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(MAVREL_WINESERVER wineserver)
find_program(MAVREL_WINE32 wine32 PATHS ${MAVREL_WINE32_ROOT} NO_DEFAULT_PATH)
find_program(MAVREL_WINE32 wine PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(MAVREL_WINESERVER32 wineserver32 PATHS ${MAVREL_WINE32_ROOT} NO_DEFAULT_PATH)
find_program(MAVREL_WINESERVER32 wineserver PATHS /usr/lib/wine NO_DEFAULT_PATH)
set(wine_x86_64 ${MAVREL_WINE64})
set(wineserver_x86_64 ${MAVREL_WINESERVER})
set(wine_i686 ${MAVREL_WINE32})
set(wineserver_i686 ${MAVREL_WINESERVER32})

# Some machines run no 32-bit x86 program at all, and no Wine can help there.
# scripts/setup.sh finds out once, by running one, and run-tests.sh passes
# its answer on as MAVREL_I386_SKIP_REASON (empty when they run); a
# configure without it asks the same probe. There the i686 runs under Wine
# are registered as tests that report themselves skipped, with the reason.
if(NOT DEFINED MAVREL_I386_SKIP_REASON)
  execute_process(COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/probe-i386.sh
    OUTPUT_VARIABLE MAVREL_I386_SKIP_REASON OUTPUT_STRIP_TRAILING_WHITESPACE)
endif()
set(wine_test_kinds wine_prefix backend_checks_under_wine e2e_launcher_under_wine
  settings_differential image_on_cdrom_under_wine)
if(MAVREL_WINDOWS_i686_DIR AND MAVREL_I386_SKIP_REASON)
  message(STATUS "Windows i686 tests under Wine: skipped (${MAVREL_I386_SKIP_REASON})")
  foreach(kind ${wine_test_kinds})
    add_test(NAME windows_i686_${kind}
      COMMAND sh -c "echo \"skipped: $1\"; exit 77" sh "${MAVREL_I386_SKIP_REASON}")
    set_tests_properties(windows_i686_${kind} PROPERTIES SKIP_RETURN_CODE 77 LABELS windows)
  endforeach()
  set(wine_i686 "")
  set(wineserver_i686 "")
endif()

set(wine_arches)
foreach(arch x86_64 i686)
  if(arch STREQUAL "i686" AND MAVREL_I386_SKIP_REASON)
    continue()
  endif()
  if(MAVREL_WINDOWS_${arch}_DIR AND wine_${arch} AND wineserver_${arch})
    list(APPEND wine_arches ${arch})
  else()
    message(STATUS "Windows ${arch} tests under Wine: not built (needs the ${arch} build and its Wine)")
    set(wine_${arch} "")
    set(wineserver_${arch} "")
  endif()
endforeach()
if(NOT wine_arches)
  return()
endif()

add_executable(mavrel_windows_e2e_tests
  ${CMAKE_CURRENT_SOURCE_DIR}/windows_e2e_support.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/windows_wine_prefix_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/windows_backend_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/windows_e2e_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/windows_differential_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/windows_image_test.cpp)
target_link_libraries(mavrel_windows_e2e_tests PRIVATE mavrel_test_support GTest::gtest_main)
target_compile_definitions(mavrel_windows_e2e_tests PRIVATE
  MAVREL_NATIVE_INSPECT="$<TARGET_FILE:mavrel-inspect>"
  MAVREL_DIFFERENTIAL_DIR="${CMAKE_CURRENT_SOURCE_DIR}/differential"
  MAVREL_AUTHOR_MEDIUM_DIR="${PROJECT_SOURCE_DIR}/tests/tools/author_medium"
  MAVREL_WINE_x86_64="${wine_x86_64}"
  MAVREL_WINESERVER_x86_64="${wineserver_x86_64}"
  MAVREL_WINDOWS_DIR_x86_64="${MAVREL_WINDOWS_x86_64_DIR}"
  MAVREL_WINE_i686="${wine_i686}"
  MAVREL_WINESERVER_i686="${wineserver_i686}"
  MAVREL_WINDOWS_DIR_i686="${MAVREL_WINDOWS_i686_DIR}"
  MAVREL_WINE_TEST_DIR="${CMAKE_CURRENT_BINARY_DIR}")

foreach(arch ${wine_arches})
  set(env ENVIRONMENT MAVREL_WINDOWS_ARCH=${arch})
  add_test(NAME windows_${arch}_wine_prefix
    COMMAND mavrel_windows_e2e_tests --gtest_filter=WinePrefix.*)
  set_tests_properties(windows_${arch}_wine_prefix PROPERTIES ${env}
    FIXTURES_SETUP wine_prefix_${arch} RESOURCE_LOCK wine TIMEOUT 400)

  add_test(NAME windows_${arch}_backend_checks_under_wine
    COMMAND mavrel_windows_e2e_tests --gtest_filter=Win32Backend.*)
  set_tests_properties(windows_${arch}_backend_checks_under_wine PROPERTIES ${env}
    FIXTURES_REQUIRED wine_prefix_${arch} RESOURCE_LOCK wine TIMEOUT 300)

  add_test(NAME windows_${arch}_e2e_launcher_under_wine
    COMMAND mavrel_windows_e2e_tests --gtest_filter=LauncherUnderWine.*)
  set_tests_properties(windows_${arch}_e2e_launcher_under_wine PROPERTIES ${env}
    FIXTURES_REQUIRED wine_prefix_${arch} RESOURCE_LOCK wine TIMEOUT 400)

  add_test(NAME windows_${arch}_settings_differential
    COMMAND mavrel_windows_e2e_tests --gtest_filter=SettingsDifferential.*:JsonFlattener.*)
  set_tests_properties(windows_${arch}_settings_differential PROPERTIES ${env}
    FIXTURES_REQUIRED wine_prefix_${arch} RESOURCE_LOCK wine TIMEOUT 400)

  # The image needs mavrel-inspect image (this build's) and xorriso to read it back.
  if(TARGET mavrel_image)
    add_test(NAME windows_${arch}_image_on_cdrom_under_wine
      COMMAND mavrel_windows_e2e_tests --gtest_filter=ImageUnderWine.*)
    set_tests_properties(windows_${arch}_image_on_cdrom_under_wine PROPERTIES
      ENVIRONMENT "MAVREL_WINDOWS_ARCH=${arch};MAVREL_I386_SKIP_REASON=${MAVREL_I386_SKIP_REASON}"
      FIXTURES_REQUIRED wine_prefix_${arch} RESOURCE_LOCK wine TIMEOUT 400 LABELS windows)
  endif()

  set_tests_properties(windows_${arch}_wine_prefix windows_${arch}_backend_checks_under_wine
    windows_${arch}_e2e_launcher_under_wine windows_${arch}_settings_differential
    PROPERTIES LABELS windows)
endforeach()

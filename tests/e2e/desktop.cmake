# End-to-end tests of the desktop side under a private Xvfb. Each test case
# starts its own X server, so they run in parallel without sharing a screen.
add_executable(mavrel_x_harness_tests ${CMAKE_CURRENT_SOURCE_DIR}/x_harness_test.cpp)
target_link_libraries(mavrel_x_harness_tests PRIVATE mavrel_test_support GTest::gtest_main)
gtest_discover_tests(mavrel_x_harness_tests DISCOVERY_TIMEOUT 60
  PROPERTIES TIMEOUT 120 LABELS e2e)

if(NOT TARGET mavrel)
  return()
endif()

# The desktop launcher driven like a user drives it; the probe is the
# program its buttons start.
add_executable(mavrel_e2e_probe ${CMAKE_CURRENT_SOURCE_DIR}/e2e_probe.cpp)
add_executable(mavrel_desktop_e2e_tests ${CMAKE_CURRENT_SOURCE_DIR}/desktop_e2e_test.cpp)
target_link_libraries(mavrel_desktop_e2e_tests PRIVATE mavrel_test_support GTest::gtest_main)
target_compile_definitions(mavrel_desktop_e2e_tests PRIVATE
  MAVREL_LAUNCHER_PATH="$<TARGET_FILE:mavrel>"
  MAVREL_PROBE_PATH="$<TARGET_FILE:mavrel_e2e_probe>")
add_dependencies(mavrel_desktop_e2e_tests mavrel mavrel_e2e_probe)
# Its pictures compared with what the launcher shows.
if(TARGET mavrel_render)
  target_link_libraries(mavrel_desktop_e2e_tests PRIVATE mavrel_render)
  target_compile_definitions(mavrel_desktop_e2e_tests PRIVATE
    MAVREL_INSPECT_PATH="$<TARGET_FILE:mavrel-inspect>")
  add_dependencies(mavrel_desktop_e2e_tests mavrel-inspect)
endif()
gtest_discover_tests(mavrel_desktop_e2e_tests DISCOVERY_TIMEOUT 60
  PROPERTIES TIMEOUT 120 LABELS e2e)

# The launcher under real window managers and compositors (openbox, mutter,
# sway), each started once for its suite: one ctest test per suite.
if(TARGET mavrel_render)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(MAVREL_WAYLAND_CLIENT IMPORTED_TARGET wayland-client)
  find_program(MAVREL_WAYLAND_SCANNER wayland-scanner)
  add_executable(mavrel_desktop_compositor_tests
    ${CMAKE_CURRENT_SOURCE_DIR}/desktop_compositor_test.cpp)
  target_link_libraries(mavrel_desktop_compositor_tests PRIVATE mavrel_test_support mavrel_render
    GTest::gtest_main)
  target_include_directories(mavrel_desktop_compositor_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_compile_definitions(mavrel_desktop_compositor_tests PRIVATE
    MAVREL_LAUNCHER_PATH="$<TARGET_FILE:mavrel>"
    MAVREL_PROBE_PATH="$<TARGET_FILE:mavrel_e2e_probe>"
    MAVREL_INSPECT_PATH="$<TARGET_FILE:mavrel-inspect>")
  add_dependencies(mavrel_desktop_compositor_tests mavrel mavrel_e2e_probe mavrel-inspect)
  # The portable launcher too, where scripts/portable/run.sh has made it.
  if(MAVREL_PORTABLE_BIN_DIR)
    target_compile_definitions(mavrel_desktop_compositor_tests PRIVATE
      MAVREL_PORTABLE_LAUNCHER_PATH="${MAVREL_PORTABLE_BIN_DIR}/mavrel")
  endif()
  set(suites Openbox LateFrame Mutter)
  # The tests' own virtual pointer, for clicks on sway, which runs headless
  # with no input device.
  if(MAVREL_WAYLAND_CLIENT_FOUND AND MAVREL_WAYLAND_SCANNER)
    set(protocol ${CMAKE_CURRENT_SOURCE_DIR}/wayland/wlr-virtual-pointer-unstable-v1.xml)
    set(generated ${CMAKE_CURRENT_BINARY_DIR}/wayland)
    add_custom_command(
      OUTPUT ${generated}/wlr-virtual-pointer-unstable-v1-client-protocol.h
             ${generated}/wlr-virtual-pointer-unstable-v1-protocol.c
      COMMAND ${CMAKE_COMMAND} -E make_directory ${generated}
      COMMAND ${MAVREL_WAYLAND_SCANNER} client-header ${protocol}
              ${generated}/wlr-virtual-pointer-unstable-v1-client-protocol.h
      COMMAND ${MAVREL_WAYLAND_SCANNER} private-code ${protocol}
              ${generated}/wlr-virtual-pointer-unstable-v1-protocol.c
      DEPENDS ${protocol})
    add_executable(mavrel_virtual_pointer ${CMAKE_CURRENT_SOURCE_DIR}/wayland/virtual_pointer.c
      ${generated}/wlr-virtual-pointer-unstable-v1-protocol.c)
    target_include_directories(mavrel_virtual_pointer PRIVATE ${generated})
    target_link_libraries(mavrel_virtual_pointer PRIVATE PkgConfig::MAVREL_WAYLAND_CLIENT)
    target_compile_definitions(mavrel_desktop_compositor_tests PRIVATE
      MAVREL_VIRTUAL_POINTER_PATH="$<TARGET_FILE:mavrel_virtual_pointer>")
    add_dependencies(mavrel_desktop_compositor_tests mavrel_virtual_pointer)
    list(APPEND suites Sway)
  endif()
  foreach(suite IN LISTS suites)
    add_test(NAME desktop_compositor_${suite}
      COMMAND mavrel_desktop_compositor_tests --gtest_filter=${suite}.*)
    set_tests_properties(desktop_compositor_${suite} PROPERTIES TIMEOUT 300 LABELS e2e)
  endforeach()
endif()

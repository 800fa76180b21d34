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

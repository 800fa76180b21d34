# End-to-end tests of the desktop side under a private Xvfb. Each test case
# starts its own X server, so they run in parallel without sharing a screen.
if(TARGET mavrel_x_harness)
  add_executable(mavrel_x_harness_tests ${CMAKE_CURRENT_SOURCE_DIR}/x_harness_test.cpp)
  target_link_libraries(mavrel_x_harness_tests PRIVATE mavrel_x_harness GTest::gtest_main)
  gtest_discover_tests(mavrel_x_harness_tests DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120)
endif()

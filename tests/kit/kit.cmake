# The medium kit, from the outside: autorun.sh on normal folders and noexec
# mounts, and make-kit.sh against stand-ins (and against the real programs,
# the portable launcher and mavrel-inspect or else this build's, with the
# i686 Windows build, when that is given as MAVREL_WINDOWS_i686_DIR).
add_test(NAME kit_autorun
         COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/autorun_test.sh ${PROJECT_SOURCE_DIR})
set(MAVREL_KIT_REAL_BUILDS "")
# The kit ships the portable launcher: its programs when they are given
# (MAVREL_PORTABLE_BIN_DIR, scripts/portable/run.sh makes them), else this
# build's.
if(MAVREL_WINDOWS_i686_DIR AND MAVREL_PORTABLE_BIN_DIR)
  set(MAVREL_KIT_REAL_BUILDS ${MAVREL_WINDOWS_i686_DIR} ${MAVREL_PORTABLE_BIN_DIR}/mavrel
                             ${MAVREL_PORTABLE_BIN_DIR}/mavrel-inspect)
elseif(MAVREL_WINDOWS_i686_DIR AND TARGET mavrel AND TARGET mavrel-inspect)
  set(MAVREL_KIT_REAL_BUILDS ${MAVREL_WINDOWS_i686_DIR} $<TARGET_FILE:mavrel>
                             $<TARGET_FILE:mavrel-inspect>)
endif()
# With real builds, the PE reader checks the kit's placeholder installer.
if(MAVREL_KIT_REAL_BUILDS AND TARGET mavrel-pe-check)
  list(APPEND MAVREL_KIT_REAL_BUILDS $<TARGET_FILE:mavrel-pe-check>)
endif()
add_test(NAME kit_make_kit
         COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/make_kit_test.sh ${PROJECT_SOURCE_DIR}
                 ${PROJECT_VERSION} ${MAVREL_KIT_REAL_BUILDS})
set_tests_properties(kit_autorun kit_make_kit PROPERTIES TIMEOUT 120 LABELS backend)

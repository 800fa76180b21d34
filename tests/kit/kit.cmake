# The medium kit, from the outside: autorun.sh on normal folders and noexec
# mounts, and make-kit.sh against stand-ins (and against this build's
# launcher and mavrel-inspect with the i686 Windows build, when that is
# given as MAVREL_WINDOWS_i686_DIR).
add_test(NAME kit_autorun
         COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/autorun_test.sh ${PROJECT_SOURCE_DIR})
set(MAVREL_KIT_REAL_BUILDS "")
if(MAVREL_WINDOWS_i686_DIR AND TARGET mavrel AND TARGET mavrel-inspect)
  set(MAVREL_KIT_REAL_BUILDS ${MAVREL_WINDOWS_i686_DIR} $<TARGET_FILE:mavrel>
                             $<TARGET_FILE:mavrel-inspect>)
endif()
add_test(NAME kit_make_kit
         COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/make_kit_test.sh ${PROJECT_SOURCE_DIR}
                 ${PROJECT_VERSION} ${MAVREL_KIT_REAL_BUILDS})
set_tests_properties(kit_autorun kit_make_kit PROPERTIES TIMEOUT 120 LABELS backend)

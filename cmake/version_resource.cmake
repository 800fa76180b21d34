# mavrel_version_resource(TARGET FILE_NAME DESCRIPTION): gives a Windows
# program a VERSIONINFO resource with the product name "Mavrel", the
# project's version (project() in the top CMakeLists.txt, the one place it
# is set) and DESCRIPTION as its file description.
include_guard(GLOBAL)

function(mavrel_version_resource target file_name description)
  set(parts ${PROJECT_VERSION_MAJOR} ${PROJECT_VERSION_MINOR} ${PROJECT_VERSION_PATCH}
            ${PROJECT_VERSION_TWEAK})
  set(numbers "")
  foreach(index RANGE 0 3)
    list(LENGTH parts count)
    set(number 0)
    if(index LESS count)
      list(GET parts ${index} number)
      if(number STREQUAL "")
        set(number 0)
      endif()
    endif()
    list(APPEND numbers ${number})
  endforeach()
  string(REPLACE ";" "," MAVREL_RC_VERSION_COMMAS "${numbers}")
  set(MAVREL_RC_FILE_NAME ${file_name})
  get_filename_component(MAVREL_RC_INTERNAL_NAME ${file_name} NAME_WE)
  set(MAVREL_RC_DESCRIPTION ${description})
  set(rc ${CMAKE_BINARY_DIR}/version/${target}.rc)
  configure_file(${PROJECT_SOURCE_DIR}/resources/version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()

# Sources are collected by folder so that adding a unit needs no build edit.
# Platform back ends sit in folders named after their platform; only the
# host's are compiled.
function(remorra_collect_sources out)
  set(result "")
  foreach(dir IN LISTS ARGN)
    file(GLOB_RECURSE found CONFIGURE_DEPENDS
      ${CMAKE_SOURCE_DIR}/${dir}/*.cpp ${CMAKE_SOURCE_DIR}/${dir}/*.c)
    list(APPEND result ${found})
  endforeach()
  if(WIN32)
    list(FILTER result EXCLUDE REGEX "/linux/")
  else()
    list(FILTER result EXCLUDE REGEX "/win32/")
  endif()
  set(${out} ${result} PARENT_SCOPE)
endfunction()

# Every folder below tests/, tools/ and bench/ with a CMakeLists.txt is added.
function(remorra_add_child_dirs)
  file(GLOB children RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} CONFIGURE_DEPENDS
    ${CMAKE_CURRENT_SOURCE_DIR}/*/CMakeLists.txt)
  list(SORT children)
  foreach(child IN LISTS children)
    get_filename_component(dir ${child} DIRECTORY)
    add_subdirectory(${dir})
  endforeach()
endfunction()

# A GoogleTest executable registered test by test with CTest. WALLCLOCK is a
# GoogleTest filter of its cases that run on the real clock: they get the label
# wallclock, the only tests the suite tries again after a failure.
function(remorra_add_gtest name)
  cmake_parse_arguments(T "" "WALLCLOCK" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE remorra_core GTest::gmock GTest::gtest_main ${T_LIBS})
  if(WIN32)
    remorra_windows_version(${name})
  endif()
  set(env ENVIRONMENT "REMORRA_TEST_DATA=${CMAKE_SOURCE_DIR}/tests/data")
  if(T_WALLCLOCK)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 TEST_FILTER "-${T_WALLCLOCK}" PROPERTIES ${env})
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 TEST_FILTER "${T_WALLCLOCK}"
      PROPERTIES ${env} LABELS wallclock)
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ${env})
  endif()
endfunction()

# remorra-ir encode ENCODE | remorra-ir decode DECODE must print exactly EXPECTED
# (REMORRA_RUN prefixes each run, e.g. with an emulator for cross-built tools).
function(remorra_tool_pipe_test name encode decode expected)
  add_test(NAME ${name} COMMAND sh -c "${REMORRA_RUN}$<TARGET_FILE:remorra-ir> encode ${encode} | ${REMORRA_RUN}$<TARGET_FILE:remorra-ir> decode ${decode}")
  set_tests_properties(${name} PROPERTIES PASS_REGULAR_EXPRESSION "^${expected}$")
endfunction()

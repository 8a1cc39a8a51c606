# velmoran_add_test(NAME SOURCES... LIBS...): one GoogleTest program, registered with CTest.
# In the win32 build CTest starts it through the Wine runner (the cross-compiling emulator).
if(CMAKE_CROSSCOMPILING)
  set(CMAKE_CROSSCOMPILING_EMULATOR
      "${CMAKE_SOURCE_DIR}/scripts/wine-run.sh;${CMAKE_BINARY_DIR}/wine")
endif()

function(velmoran_add_test name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "SOURCES;LIBS")
  add_executable(${name} ${arg_SOURCES})
  target_link_libraries(${name} PRIVATE ${arg_LIBS} GTest::gmock_main)
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  if(NOT CMAKE_CROSSCOMPILING)
    # The test locale with a decimal comma that scripts/deps.sh compiled.
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "LOCPATH=${VELMORAN_DEPS_CACHE}/locale")
  endif()
endfunction()

# Deliverables (the .exe and .dll files we ship) register here for the import check.
function(velmoran_deliverable target)
  set_property(GLOBAL APPEND PROPERTY VELMORAN_DELIVERABLES ${target})
endfunction()

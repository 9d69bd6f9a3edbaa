# Test support: GoogleTest built from the Debian source package in both trees,
# so that the native and the Windows trees use the same framework.
if(NOT VY_TESTS)
  function(vy_test)
  endfunction()
  function(vy_script_test)
  endfunction()
  return()
endif()

enable_testing()
include(GoogleTest)

set(VY_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
if(NOT EXISTS ${VY_GTEST_SOURCE}/CMakeLists.txt)
  message(FATAL_ERROR "GoogleTest sources not found at ${VY_GTEST_SOURCE}: run tools/setup.sh")
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
add_subdirectory(${VY_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# vy_test(name SOURCES ... [LIBS ...] [WORKDIR dir])
# Natively each test case is its own CTest entry; under Wine a whole test
# program is one entry, because every Wine start costs time.
function(vy_test name)
  cmake_parse_arguments(T "" "WORKDIR" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main GTest::gmock)
  target_compile_definitions(${name} PRIVATE VY_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
                                             VY_BIN_DIR="${CMAKE_RUNTIME_OUTPUT_DIRECTORY}")
  if(NOT T_WORKDIR)
    set(T_WORKDIR ${CMAKE_CURRENT_BINARY_DIR})
  endif()
  if(CMAKE_CROSSCOMPILING)
    add_test(NAME ${name} COMMAND ${name} --gtest_brief=1 WORKING_DIRECTORY ${T_WORKDIR})
  else()
    gtest_discover_tests(${name} WORKING_DIRECTORY ${T_WORKDIR} DISCOVERY_TIMEOUT 60)
  endif()
endfunction()

# vy_script_test(name COMMAND ...): a test that runs a script on the build host.
function(vy_script_test name)
  cmake_parse_arguments(T "" "WORKDIR" "COMMAND" ${ARGN})
  if(NOT T_WORKDIR)
    set(T_WORKDIR ${CMAKE_CURRENT_BINARY_DIR})
  endif()
  add_test(NAME ${name} COMMAND ${T_COMMAND} WORKING_DIRECTORY ${T_WORKDIR})
endfunction()

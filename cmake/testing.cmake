# Test support: GoogleTest built from the Debian source package in both trees,
# so that the native and the Windows trees use the same framework.
if(NOT VY_TESTS)
  function(vy_test)
  endfunction()
  function(vy_script_test)
  endfunction()
  function(vy_test_library)
  endfunction()
  function(vy_test_code)
  endfunction()
  return()
endif()

enable_testing()

set(VY_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
if(NOT EXISTS ${VY_GTEST_SOURCE}/CMakeLists.txt)
  message(FATAL_ERROR "GoogleTest sources not found at ${VY_GTEST_SOURCE}: run tools/setup.sh")
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
add_subdirectory(${VY_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# How test code compiles (the test programs' own sources, their fixtures
# and harnesses, the test framework): natively with AddressSanitizer but
# without UndefinedBehaviorSanitizer, whose checks of every pointer that the
# test macros expand to doubled the compile time of a test source; the code
# under test keeps both. In the Windows tree unoptimised: the libraries it
# tests keep the tree's optimisation, and test sources compile in about
# half the time.
function(vy_test_code)
  foreach(target ${ARGN})
    if(VY_SANITIZE AND NOT CMAKE_CROSSCOMPILING)
      target_compile_options(${target} PRIVATE -fno-sanitize=undefined)
    endif()
    if(CMAKE_CROSSCOMPILING)
      target_compile_options(${target} PRIVATE -O0)
    endif()
  endforeach()
endfunction()
vy_test_code(gtest gmock)

# The main program of the test programs (status 77 when all that ran were
# skipped).
add_library(vy_test_main STATIC ${CMAKE_CURRENT_LIST_DIR}/test_main.cpp)
target_link_libraries(vy_test_main PUBLIC GTest::gmock GTest::gtest)
vy_test_code(vy_test_main)
# The Windows tree's test sources share one precompiled GoogleTest header,
# which takes a sixth off each one's compile; natively, where sanitized code
# generation is most of the time, it gained nothing.
if(CMAKE_CROSSCOMPILING)
  target_precompile_headers(vy_test_main PRIVATE <gmock/gmock.h> <gtest/gtest.h>)
endif()
function(vy_test_pch target)
  if(CMAKE_CROSSCOMPILING)
    target_precompile_headers(${target} REUSE_FROM vy_test_main)
  endif()
endfunction()

# vy_test_library(name SOURCES ... [LIBS ...]): fixtures and harnesses that
# several test programs share, compiled once.
function(vy_test_library name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} STATIC ${T_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${T_LIBS} GTest::gmock GTest::gtest)
  target_compile_definitions(${name} PRIVATE VY_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
                                             VY_BIN_DIR="${CMAKE_RUNTIME_OUTPUT_DIRECTORY}")
  vy_test_code(${name})
  vy_test_pch(${name})
endfunction()

# Natively a test suite of more cases than this is split into several
# CTest entries that run side by side (gtest's sharding: the suite's k-th
# case runs in entry k mod n).
set(VY_CASES_PER_TEST 10 CACHE STRING "Most test cases in one native CTest entry")

# vy_test(name SOURCES ... [LIBS ...] [WORKDIR dir] [HEAVY_SUITES suite...]
#         [WINE_ENTRIES n])
# Natively each test suite is its own CTest entry, PROGRAM.SUITE, or with
# more than VY_CASES_PER_TEST cases several, PROGRAM.SUITE.1of3 ...: the
# cases of an entry run in one process (a process per case cost more than
# most cases take), and --output-on-failure shows which case failed; CTest
# starts the entries with the most cases first. Under Wine a test program
# is one entry per three of its sources (or WINE_ENTRIES entries, for a
# program whose cases start many programs), because every Wine start costs
# time.
# HEAVY_SUITES names suites whose cases are each a long generated check (a
# part of a random run, a mode of a corpus): natively each of their cases
# is an entry of its own, PROGRAM.SUITE.CASE.
function(vy_test name)
  cmake_parse_arguments(T "" "WORKDIR;WINE_ENTRIES" "SOURCES;LIBS;HEAVY_SUITES" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} vy_test_main GTest::gmock)
  target_compile_definitions(${name} PRIVATE VY_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
                                             VY_BIN_DIR="${CMAKE_RUNTIME_OUTPUT_DIRECTORY}")
  vy_test_code(${name})
  vy_test_pch(${name})
  if(NOT T_WORKDIR)
    set(T_WORKDIR ${CMAKE_CURRENT_BINARY_DIR})
  endif()
  if(CMAKE_CROSSCOMPILING)
    # The cases cannot be listed here without Wine: a program of more than
    # three sources runs as one entry per three, PROGRAM.1of3 ..., each a
    # share of its cases by gtest's sharding.
    list(LENGTH T_SOURCES count)
    math(EXPR shards "(${count} + 2) / 3")
    if(T_WINE_ENTRIES)
      set(shards ${T_WINE_ENTRIES})
    endif()
    if(shards LESS 2)
      add_test(NAME ${name} COMMAND ${name} --gtest_brief=1 WORKING_DIRECTORY ${T_WORKDIR})
      set_tests_properties(${name} PROPERTIES SKIP_RETURN_CODE 77)
    else()
      math(EXPR last "${shards} - 1")
      foreach(index RANGE ${last})
        math(EXPR part "${index} + 1")
        add_test(NAME ${name}.${part}of${shards} COMMAND ${name} --gtest_brief=1 WORKING_DIRECTORY ${T_WORKDIR})
        set_tests_properties(${name}.${part}of${shards} PROPERTIES SKIP_RETURN_CODE 77
            ENVIRONMENT "GTEST_TOTAL_SHARDS=${shards};GTEST_SHARD_INDEX=${index}")
      endforeach()
    endif()
  else()
    set(suites ${CMAKE_CURRENT_BINARY_DIR}/${name}_suites.cmake)
    string(REPLACE ";" "," heavy "${T_HEAVY_SUITES}")
    add_custom_command(TARGET ${name} POST_BUILD
        BYPRODUCTS ${suites}
        COMMAND ${CMAKE_COMMAND} -D EXE=$<TARGET_FILE:${name}> -D NAME=${name} -D WORKDIR=${T_WORKDIR}
                -D OUT=${suites} -D CASES_PER_TEST=${VY_CASES_PER_TEST} "-DHEAVY=${heavy}"
                -P ${VY_ROOT}/cmake/gtest_suites.cmake
        VERBATIM)
    set(include ${CMAKE_CURRENT_BINARY_DIR}/${name}_include.cmake)
    file(WRITE ${include}
      "if(EXISTS \"${suites}\")\n"
      "  include(\"${suites}\")\n"
      "else()\n"
      "  add_test(${name}_NOT_BUILT ${name}_NOT_BUILT)\n"
      "endif()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${include})
  endif()
endfunction()

# vy_script_test(name COMMAND ...): a test that runs a script on the build host.
function(vy_script_test name)
  cmake_parse_arguments(T "" "WORKDIR" "COMMAND" ${ARGN})
  if(NOT T_WORKDIR)
    set(T_WORKDIR ${CMAKE_CURRENT_BINARY_DIR})
  endif()
  add_test(NAME ${name} COMMAND ${T_COMMAND} WORKING_DIRECTORY ${T_WORKDIR})
  # Scripts run whole programs and take long: CTest starts them first, so
  # that they do not end the run alone on one core.
  set_tests_properties(${name} PROPERTIES COST 1000)
endfunction()

# Run after a test program is built (cmake -P): lists its test cases and
# writes a CTest file with one entry per test suite, named PROGRAM.SUITE,
# that runs the suite's cases in one process. A suite of more than
# CASES_PER_TEST cases is split into n entries PROGRAM.SUITE.1ofn ... by
# gtest's sharding, so that CTest runs its parts side by side; each case of
# a suite named in HEAVY is an entry of its own, PROGRAM.SUITE.CASE. A
# failing entry's output ends with gtest's list of the failed cases.
#
#   -D EXE=program -D NAME=program name -D WORKDIR=dir -D OUT=file
#   -D CASES_PER_TEST=n -D HEAVY=suite,suite...
cmake_minimum_required(VERSION 3.20)

execute_process(COMMAND "${EXE}" --gtest_list_tests
                WORKING_DIRECTORY "${WORKDIR}"
                TIMEOUT 60
                OUTPUT_VARIABLE listing
                ERROR_VARIABLE errors
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${EXE} --gtest_list_tests failed (${result}):\n${listing}${errors}")
endif()

set(script "")
set(suite "")
set(cases 0)
if(NOT CASES_PER_TEST OR CASES_PER_TEST LESS 1)
  set(CASES_PER_TEST 1000000)
endif()

string(REPLACE "," ";" heavy "${HEAVY}")

macro(add_entry test cost environment)
  string(APPEND script
    "add_test([==[${test}]==] [==[${EXE}]==] [==[--gtest_filter=${filter}]==])\n"
    "set_tests_properties([==[${test}]==] PROPERTIES WORKING_DIRECTORY [==[${WORKDIR}]==]"
    " SKIP_RETURN_CODE 77 LABELS ${NAME} COST ${cost}${environment})\n")
  if(suite MATCHES "^DISABLED_|/DISABLED_")
    string(APPEND script "set_tests_properties([==[${test}]==] PROPERTIES DISABLED TRUE)\n")
  endif()
endmacro()

macro(flush_suite)
  if(NOT suite STREQUAL "")
    math(EXPR shards "(${cases} + ${CASES_PER_TEST} - 1) / ${CASES_PER_TEST}")
    set(filter "${suite}.*")
    if(suite IN_LIST heavy)
      foreach(case ${casenames})
        set(filter "${suite}.${case}")
        add_entry("${NAME}.${suite}.${case}" 1000 "")
      endforeach()
    elseif(shards LESS 2)
      add_entry("${NAME}.${suite}" ${cases} "")
    else()
      math(EXPR cost "(${cases} + ${shards} - 1) / ${shards}")
      math(EXPR last "${shards} - 1")
      foreach(index RANGE ${last})
        math(EXPR part "${index} + 1")
        add_entry("${NAME}.${suite}.${part}of${shards}" ${cost}
                  " ENVIRONMENT [==[GTEST_TOTAL_SHARDS=${shards};GTEST_SHARD_INDEX=${index}]==]")
      endforeach()
    endif()
  endif()
endmacro()

string(REPLACE ";" "\\;" listing "${listing}")
string(REPLACE "\n" ";" lines "${listing}")
foreach(line IN LISTS lines)
  if(line MATCHES "^  ([^ ]+)")
    math(EXPR cases "${cases} + 1")
    list(APPEND casenames "${CMAKE_MATCH_1}")
  elseif(line MATCHES "^([^ #]+)\\.( *#.*)?$")
    set(next "${CMAKE_MATCH_1}")
    flush_suite()
    set(suite "${next}")
    set(cases 0)
    set(casenames "")
  endif()
endforeach()
flush_suite()
if(script STREQUAL "")
  message(FATAL_ERROR "${EXE} lists no test cases")
endif()
file(WRITE "${OUT}" "${script}")

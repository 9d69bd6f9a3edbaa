# Run after a test program is built (cmake -P): lists its test cases and
# writes a CTest file with one entry per test suite, named PROGRAM.SUITE,
# that runs the suite's cases in one process. A failing entry's output ends
# with gtest's list of the failed cases.
#
#   -D EXE=program -D NAME=program name -D WORKDIR=dir -D OUT=file
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
macro(flush_suite)
  if(NOT suite STREQUAL "")
    set(test "${NAME}.${suite}")
    string(APPEND script
      "add_test([==[${test}]==] [==[${EXE}]==] [==[--gtest_filter=${suite}.*]==])\n"
      "set_tests_properties([==[${test}]==] PROPERTIES WORKING_DIRECTORY [==[${WORKDIR}]==]"
      " SKIP_RETURN_CODE 77 LABELS ${NAME} COST ${cases})\n")
    if(suite MATCHES "^DISABLED_|/DISABLED_")
      string(APPEND script "set_tests_properties([==[${test}]==] PROPERTIES DISABLED TRUE)\n")
    endif()
  endif()
endmacro()

string(REPLACE ";" "\\;" listing "${listing}")
string(REPLACE "\n" ";" lines "${listing}")
foreach(line IN LISTS lines)
  if(line MATCHES "^  ")
    math(EXPR cases "${cases} + 1")
  elseif(line MATCHES "^([^ #]+)\\.( *#.*)?$")
    set(next "${CMAKE_MATCH_1}")
    flush_suite()
    set(suite "${next}")
    set(cases 0)
  endif()
endforeach()
flush_suite()
if(script STREQUAL "")
  message(FATAL_ERROR "${EXE} lists no test cases")
endif()
file(WRITE "${OUT}" "${script}")

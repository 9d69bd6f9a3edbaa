# Makes the runtime library from its sources with the build machine's
# assembler and librarian (the Windows tree's programs do not run while it
# builds), as cc11 makes it: every source of the folder, in name order.
# -D CCASM LOMLIB RUNTIME WORK LIBRARY
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
file(GLOB SOURCES ${RUNTIME}/*.s)
list(SORT SOURCES)
set(objects)
foreach(src ${SOURCES})
  get_filename_component(name ${src} NAME_WE)
  execute_process(COMMAND ${CCASM} -i ${RUNTIME} -o ${WORK}/${name}.o ${src} RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "ccasm failed on ${src}")
  endif()
  list(APPEND objects ${WORK}/${name}.o)
endforeach()
file(REMOVE ${LIBRARY})
execute_process(COMMAND ${LOMLIB} -r ${LIBRARY} ${objects} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "lomlib failed")
endif()

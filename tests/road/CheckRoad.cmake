# Run by the "road" test: builds each probe of tests/CMakeLists.txt, which must
# compile when it includes a header of its own layer and must not when it
# includes one of the layer above; then looks for includes that climb out of
# their folder, which would reach any layer.
set(failures)
string(REPLACE "," ";" PROBES "${PROBES}")
foreach(probe IN LISTS PROBES)
  string(REPLACE ":" ";" probe ${probe})
  list(GET probe 0 target)
  list(GET probe 1 header)
  execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD_DIR} --target ${target}
                  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(target MATCHES "_own$" AND NOT result EQUAL 0)
    list(APPEND failures "${target}: including ${header} does not compile:\n${output}")
  elseif(target MATCHES "_above$")
    # The compiler must have found no such header (gcc's words, then clang's),
    # not failed on it or on anything else that names it.
    string(REGEX MATCH "${header}: No such file|'${header}' file not found" missing "${output}")
    if(result EQUAL 0)
      list(APPEND failures "${target}: ${header} is reached from the layer below it")
    elseif(NOT missing)
      list(APPEND failures "${target}: failed, but not for want of ${header}:\n${output}")
    endif()
  endif()
endforeach()

file(GLOB_RECURSE sources ${SOURCE_DIR}/src/*.h ${SOURCE_DIR}/src/*.cpp ${SOURCE_DIR}/src/*.rc)
foreach(source IN LISTS sources)
  file(STRINGS ${source} climbs REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<][^\">]*\\.\\.[/\\\\]")
  foreach(line IN LISTS climbs)
    file(RELATIVE_PATH name ${SOURCE_DIR} ${source})
    list(APPEND failures "${name}: ${line}")
  endforeach()
endforeach()

if(failures)
  list(JOIN failures "\n" failures)
  message(FATAL_ERROR "The road between src/model, io, editor, view and app is broken:\n${failures}")
endif()
list(LENGTH PROBES count)
message(STATUS "${count} probes as expected; no include climbs out of its folder")

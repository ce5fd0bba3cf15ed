# Runs make-plugins into a scratch folder and fails naming the first plugin that differs from
# the committed ones, or that is missing from or extra in the committed folder.
#   cmake -DGEN=make-plugins -DJSON=layouts.json -DPLUGINS=plugins -DOUT=scratch -P CheckPlugins.cmake
cmake_minimum_required(VERSION 3.25)

foreach(var GEN JSON PLUGINS OUT)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "CheckPlugins.cmake needs -D${var}=...")
    endif()
endforeach()

file(REMOVE_RECURSE "${OUT}")
execute_process(COMMAND "${GEN}" "${JSON}" "${OUT}" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "make-plugins failed (${result})")
endif()

file(GLOB generated RELATIVE "${OUT}" "${OUT}/*.ent")
file(GLOB committed RELATIVE "${PLUGINS}" "${PLUGINS}/*.ent")
list(SORT generated)
list(SORT committed)

foreach(name IN LISTS generated)
    if(NOT name IN_LIST committed)
        message(FATAL_ERROR "\"${name}\" is missing from ${PLUGINS}: rerun make-plugins")
    endif()
    execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${OUT}/${name}"
        "${PLUGINS}/${name}" RESULT_VARIABLE differs)
    if(NOT differs EQUAL 0)
        message(FATAL_ERROR "\"${name}\" in ${PLUGINS} differs from what make-plugins writes")
    endif()
endforeach()

foreach(name IN LISTS committed)
    if(NOT name IN_LIST generated)
        message(FATAL_ERROR "\"${name}\" in ${PLUGINS} is not written by make-plugins")
    endif()
endforeach()

list(LENGTH generated count)
message(STATUS "${count} plugins match")

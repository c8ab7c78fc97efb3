# The manual page and `stagehand --help` name the same long options: an option added to one
# and not the other fails here. Run with `cmake -P`:  -DPROGRAM=stagehand  -DMANUAL=stagehand.6
cmake_minimum_required(VERSION 3.25)

execute_process(COMMAND "${PROGRAM}" --help RESULT_VARIABLE result OUTPUT_VARIABLE usage)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "stagehand --help exited with ${result}")
endif()
file(READ "${MANUAL}" manual)
# roff writes a minus sign as \-; comments (.\") are no part of the page.
string(REGEX REPLACE "(^|\n)\\.\\\\\"[^\n]*" "" manual "${manual}")
string(REPLACE "\\-" "-" manual "${manual}")

function(long_options text out)
    string(REGEX MATCHALL "--[a-z][a-z-]*" found "${text}")
    list(REMOVE_DUPLICATES found)
    list(SORT found)
    set(${out} "${found}" PARENT_SCOPE)
endfunction()
long_options("${usage}" in_usage)
long_options("${manual}" in_manual)
if(NOT in_usage STREQUAL in_manual)
    message(FATAL_ERROR "--help names ${in_usage}\nthe manual names ${in_manual}")
endif()

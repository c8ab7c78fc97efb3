# Makes the demo's media a second time and checks that the tools make them again bit for bit,
# and that the built demo stays small. Run with `cmake -P`:
#   -DTESTKIT=file     stagehand-testkit
#   -DSMKENC=file      stagehand-smkenc
#   -DTITLE_DIR=dir    the demo's source folder (its media.txt, tones.txt, movies.txt and
#                      videos.txt)
#   -DBUILT_DIR=dir    the built demo, whose files are compared
#   -DWORK_DIR=dir     a folder of its own under the build tree; emptied first
#   -DMAX_BYTES=n      the most the built demo's files may weigh together
cmake_minimum_required(VERSION 3.25)

foreach(required TITLE_DIR BUILT_DIR WORK_DIR MAX_BYTES)
    if(NOT DEFINED ${required} OR "${${required}}" STREQUAL "")
        message(FATAL_ERROR "RemakeMedia.cmake needs -D${required}=...")
    endif()
endforeach()

include("${CMAKE_CURRENT_LIST_DIR}/../titles/MakeMedia.cmake")

set(lists media.txt tones.txt movies.txt videos.txt)
file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")
foreach(list ${lists})
    if(EXISTS "${TITLE_DIR}/${list}")
        file(COPY "${TITLE_DIR}/${list}" DESTINATION "${WORK_DIR}")
    endif()
endforeach()
make_title_media("${WORK_DIR}")

# Every file made here against the built one of the same name.
file(GLOB made LIST_DIRECTORIES false RELATIVE "${WORK_DIR}" "${WORK_DIR}/*")
list(REMOVE_ITEM made ${lists})
list(LENGTH made count)
if(count EQUAL 0)
    message(FATAL_ERROR "the lists of ${TITLE_DIR} made nothing")
endif()
set(failed FALSE)
foreach(name ${made})
    if(NOT EXISTS "${BUILT_DIR}/${name}")
        message(SEND_ERROR "${name} was made again but is not in ${BUILT_DIR}")
        set(failed TRUE)
        continue()
    endif()
    file(SHA256 "${WORK_DIR}/${name}" again)
    file(SHA256 "${BUILT_DIR}/${name}" built)
    if(NOT again STREQUAL built)
        message(SEND_ERROR "${name} made again differs from ${BUILT_DIR}/${name}")
        set(failed TRUE)
    endif()
endforeach()

# The built demo: the title's own files, lying directly in its folder.
file(GLOB files LIST_DIRECTORIES false "${BUILT_DIR}/*")
set(total 0)
foreach(file ${files})
    file(SIZE "${file}" size)
    math(EXPR total "${total} + ${size}")
endforeach()
if(total GREATER_EQUAL MAX_BYTES)
    message(SEND_ERROR "the built demo weighs ${total} bytes, more than ${MAX_BYTES}")
    set(failed TRUE)
endif()

if(failed)
    message(FATAL_ERROR "the demo's media are not made again as built")
endif()
message(STATUS "${count} media made again byte for byte; the demo weighs ${total} bytes")

# stagehand_library(NAME [INTERFACE] FOLDER dir | HEADERS file...
#                   [SOURCES file...] [PUBLIC target...] [PRIVATE target...])
#
# One library of the player, which sees only its own headers and those of the libraries it
# links. Each library gets an include root of its own in the build tree that holds a link to
# its folder (or to just the headers it names) under the folder's own path, so sources keep
# writing `#include "kernel/Player.h"`. A header of a library that is not linked is not on the
# include path at all: an include that reaches up a layer, or across to a role folder that is
# not a dependency, fails to build instead of slipping in.
function(stagehand_library name)
    cmake_parse_arguments(ARG "INTERFACE" "FOLDER" "HEADERS;SOURCES;PUBLIC;PRIVATE" ${ARGN})
    set(root ${PROJECT_BINARY_DIR}/include/${name})
    if(ARG_FOLDER)
        set(exposed ${ARG_FOLDER})
    else()
        set(exposed ${ARG_HEADERS})
    endif()
    foreach(path IN LISTS exposed)
        get_filename_component(parent ${root}/${path} DIRECTORY)
        file(MAKE_DIRECTORY ${parent})
        if(NOT EXISTS ${root}/${path})
            file(CREATE_LINK ${PROJECT_SOURCE_DIR}/src/${path} ${root}/${path} SYMBOLIC)
        endif()
    endforeach()
    if(ARG_INTERFACE)
        add_library(${name} INTERFACE)
        target_include_directories(${name} INTERFACE ${root})
        target_link_libraries(${name} INTERFACE ${ARG_PUBLIC})
        return()
    endif()
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${root})
    target_link_libraries(${name} PUBLIC ${ARG_PUBLIC} PRIVATE ${ARG_PRIVATE})
endfunction()

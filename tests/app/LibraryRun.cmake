# Plays the library headless over a made-up recent.ini of three test titles (and one entry
# too damaged to list), and checks what it shows and what choosing in it plays. Run with
# `cmake -P`:
#   -DPLAYER=stagehand -DTESTKIT=stagehand-testkit -DTITLES=tests/titles
#   -DTEST_DIR=tests/app/library -DWORK_DIR=a folder of its own (emptied first)
# The user's folders (HOME and the XDG ones) are WORK_DIR's, so the labels show ~/titles/...
# wherever the tree is built.
cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE "${WORK_DIR}")
foreach(title edit-text startup-order ends-itself)
    file(COPY "${TITLES}/${title}/title/" DESTINATION "${WORK_DIR}/titles/${title}")
endforeach()
set(recent "${WORK_DIR}/state/stagehand/recent.ini")
file(WRITE "${recent}"
     "[Title1]\nLocation=${WORK_DIR}/titles/ends-itself\nName=Ends Itself\nPlayed=100\n"
     "[Title2]\nLocation=titles/relative\nPlayed=500\n"
     "[Title3]\nLocation=${WORK_DIR}/titles/edit-text\nName=Edit Text\nPlayed=300\n"
     "[Title4]\nLocation=${WORK_DIR}/titles/startup-order\nPlayed=200\n")
file(SHA256 "${recent}" recent_before)
set(user HOME=${WORK_DIR} XDG_STATE_HOME=${WORK_DIR}/state XDG_CACHE_HOME=${WORK_DIR}/cache
    XDG_DATA_HOME=${WORK_DIR}/data XDG_CONFIG_HOME=${WORK_DIR}/config)
set(library "${WORK_DIR}/cache/stagehand/library")

function(play input)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env ${user} "${PLAYER}" --library --headless
                            --input "${TEST_DIR}/${input}" --trace -
                    WORKING_DIRECTORY "${WORK_DIR}" TIMEOUT 60
                    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE errors)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "${input}: exit code ${result}\n${output}${errors}")
    endif()
    # The damaged entry costs a line each time the library opens.
    string(REPLACE "stagehand: the list of titles played recently is damaged: 1 of its entries were passed over\n"
           "" errors "${errors}")
    set(output "${output}" PARENT_SCOPE)
    set(errors "${errors}" PARENT_SCOPE)
endfunction()

# The list, the shot of it, and the second title (Startup Order) played after it.
play(input.txt)
file(READ "${TEST_DIR}/expected.txt" expected)
if(NOT output STREQUAL expected)
    file(WRITE "${WORK_DIR}/actual.txt" "${output}")
    message(FATAL_ERROR "standard output differs from expected.txt:\n${output}")
endif()
execute_process(COMMAND "${TESTKIT}" compare "${TEST_DIR}/expected-library.png"
                        "${library}/library.png" 8
                RESULT_VARIABLE same OUTPUT_VARIABLE difference ERROR_VARIABLE difference)
if(NOT same EQUAL 0)
    message(FATAL_ERROR "library.png differs from expected-library.png: ${difference}")
endif()

# The library's own title is clean.
execute_process(COMMAND "${PLAYER}" --check "${library}" RESULT_VARIABLE result
                OUTPUT_VARIABLE output ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "the library has faults:\n${output}${errors}")
endif()

# A folder typed or dropped plays; Quit plays nothing.
foreach(input input-open.txt input-drop.txt input-quit.txt)
    play(${input})
    string(FIND "${output}" "queue Only|Load, run by Only" at)
    if(input STREQUAL input-quit.txt)
        if(NOT output MATCHES "^\\[ *[0-9]+\\] queue QuitButton\\|Click[^\n]*\n[^\n]*\n[^\n]*Director.End\\(\\)\n$")
            message(FATAL_ERROR "${input}: something played after Quit:\n${output}")
        endif()
    elseif(at EQUAL -1 OR NOT errors STREQUAL "")
        message(FATAL_ERROR "${input}: the title named did not play:\n${output}")
    endif()
endforeach()

# A folder that is no title brings the library back, saying why.
play(input-missing.txt)
file(READ "${library}/roles.mii" roles)
if(NOT errors STREQUAL "stagehand: the title folder no-such-folder does not exist\n"
   OR NOT roles MATCHES "\nText=Not played: the title folder no-such-folder does not exist\n")
    message(FATAL_ERROR "the library came not back with the refusal:\n${errors}")
endif()

# Headless plays are not remembered.
file(SHA256 "${recent}" recent_after)
if(NOT recent_after STREQUAL recent_before)
    message(FATAL_ERROR "a headless play changed recent.ini")
endif()

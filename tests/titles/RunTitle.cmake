# Plays one title test folder and checks what came out. Run with `cmake -P`:
#   -DPLAYER=stagehand   the player
#   -DTESTKIT=file       stagehand-testkit (needed for media.txt and expected-*.png)
#   -DSMKENC=file        stagehand-smkenc (needed for movies.txt)
#   -DTEST_DIR=dir       the test: title/, input.txt, expected.txt, [options], [exit-code],
#                        [expected-SHOT.png ...], [expected-sound.txt: the summary of the
#                        sound.wav that `--audio-out sound.wav` in options writes],
#                        [expected-saves.txt: every file the title saved, with its bytes],
#                        [expected-errors.txt: the exact standard error, "TITLE" for the
#                        copy's path],
#                        [read-only: the copy is made read-only for the play, and must come
#                        out of it byte for byte as it went in]
#   -DWORK_DIR=dir       a folder of its own under the build tree; emptied first
#   -DTITLE_DIR=dir      optional: the title to play, instead of TEST_DIR/title
#   -DCHECK=ON           optional: check the title with --check instead of playing it
#   -DIMAGE=ON           optional: play (or check) the title from an ISO 9660 image of the copy,
#                        made with xorriso, instead of the copy itself: everything must come
#                        out as from the folder
#   -DIMAGE=disc         optional: the copy's disc/ folder (its --cd disc) becomes an image, and
#                        the title plays from the folder with that image as its disc
#   -DDISPLAY_RUN=cmd    optional: play on the real backend under this command (e.g. xvfb-run
#                        and its arguments, separated by |) instead of headless; then only
#                        the exit code is checked, and with -DDISPLAY_STDERR=regex standard
#                        error too
# The title is copied to WORK_DIR/title, its media (media.txt), sounds (tones.txt) and movies
# (movies.txt, and videos.txt through ffmpeg) made there, and the player runs with that copy as
# its title folder, so shots (relative names) land in the copy.
cmake_minimum_required(VERSION 3.25)

foreach(required PLAYER TEST_DIR WORK_DIR)
    if(NOT DEFINED ${required} OR "${${required}}" STREQUAL "")
        message(FATAL_ERROR "RunTitle.cmake needs -D${required}=...")
    endif()
endforeach()

include("${CMAKE_CURRENT_LIST_DIR}/MakeMedia.cmake")

# A fresh copy of the title.
set(copy "${WORK_DIR}/title")
file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${copy}")
if(NOT DEFINED TITLE_DIR OR "${TITLE_DIR}" STREQUAL "")
    set(TITLE_DIR "${TEST_DIR}/title")
endif()
file(COPY "${TITLE_DIR}/" DESTINATION "${copy}")

make_title_media("${copy}")

# The title as the player is given it: the copy, or an image of it.
set(play "${copy}")
if(DEFINED IMAGE AND NOT "${IMAGE}" STREQUAL "")
    find_program(XORRISO xorriso)
    if(NOT XORRISO)
        message(FATAL_ERROR "xorriso is needed to make the title's disc image")
    endif()
    if("${IMAGE}" STREQUAL "disc")
        run_maker("xorriso" "${XORRISO}" -as mkisofs -quiet -R -J -V DISC
                  -o "${WORK_DIR}/disc.iso" "${copy}/disc")
        file(REMOVE_RECURSE "${copy}/disc")
    else()
        run_maker("xorriso" "${XORRISO}" -as mkisofs -quiet -R -J -V TITLE
                  -o "${WORK_DIR}/title.iso" "${copy}")
        set(play "${WORK_DIR}/title.iso")
    endif()
endif()

# A check instead of a play (-DCHECK=ON): `stagehand --check` lists the title's faults, which
# must be those of expected-check.txt (exit code 1) or none at all (exit code 0).
if(CHECK)
    set(checked title)
    if("${IMAGE}" STREQUAL "ON")
        set(checked title.iso)
    endif()
    execute_process(COMMAND "${PLAYER}" --check ${checked} WORKING_DIRECTORY "${WORK_DIR}" TIMEOUT 120
                    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE errors)
    set(expected "${checked}: no faults found\n")
    set(expected_code 0)
    if(EXISTS "${TEST_DIR}/expected-check.txt")
        file(READ "${TEST_DIR}/expected-check.txt" expected)
        set(expected_code 1)
    endif()
    if(NOT output STREQUAL expected OR NOT "${result}" STREQUAL "${expected_code}")
        message(FATAL_ERROR "stagehand --check gave exit code ${result} (expected "
                            "${expected_code}) and:\n${output}${errors}--- expected ---\n${expected}")
    endif()
    return()
endif()

# Extra options, one line.
set(options "")
if(EXISTS "${TEST_DIR}/options")
    file(READ "${TEST_DIR}/options" options)
    string(STRIP "${options}" options)
    separate_arguments(options UNIX_COMMAND "${options}")
    if("${IMAGE}" STREQUAL "disc")
        list(TRANSFORM options REPLACE "^disc$" "${WORK_DIR}/disc.iso")
    endif()
endif()

set(expected_code 0)
if(EXISTS "${TEST_DIR}/exit-code")
    file(READ "${TEST_DIR}/exit-code" expected_code)
    string(STRIP "${expected_code}" expected_code)
endif()

if(DEFINED DISPLAY_RUN AND NOT "${DISPLAY_RUN}" STREQUAL "")
    string(REPLACE "|" ";" display_run "${DISPLAY_RUN}")
    execute_process(COMMAND ${display_run} "${PLAYER}" --window ${options} "${copy}"
                    WORKING_DIRECTORY "${copy}" TIMEOUT 120
                    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE errors)
    if(NOT "${result}" STREQUAL "${expected_code}" OR
       (DEFINED DISPLAY_STDERR AND NOT errors MATCHES "${DISPLAY_STDERR}"))
        message(FATAL_ERROR "exit code ${result}, expected ${expected_code}\n"
                            "standard output:\n${output}\nstandard error:\n${errors}")
    endif()
    return()
endif()

# The user's data and settings folders are the test's own: saves land in WORK_DIR/data.
set(user_folders "XDG_DATA_HOME=${WORK_DIR}/data" "XDG_CONFIG_HOME=${WORK_DIR}/config")
if(EXISTS "${TEST_DIR}/read-only")
    file(GLOB_RECURSE before LIST_DIRECTORIES false RELATIVE "${copy}" "${copy}/*")
    foreach(file ${before})
        if(IS_SYMLINK "${copy}/${file}")
            file(READ_SYMLINK "${copy}/${file}" hash_${file})
        else()
            file(SHA256 "${copy}/${file}" hash_${file})
        endif()
    endforeach()
    execute_process(COMMAND chmod -R a-w "${copy}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E env ${user_folders}
                        "${PLAYER}" --headless --input "${TEST_DIR}/input.txt" ${options} "${play}"
                WORKING_DIRECTORY "${copy}" TIMEOUT 120
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE errors)

set(failed FALSE)
file(READ "${TEST_DIR}/expected.txt" expected)
if(NOT output STREQUAL expected)
    # Shown as a line diff when there is one, else both in full; NOTICE keeps lines as they are.
    file(WRITE "${WORK_DIR}/actual.txt" "${output}")
    find_program(DIFF diff)
    if(DIFF)
        execute_process(COMMAND "${DIFF}" -u "${TEST_DIR}/expected.txt" "${WORK_DIR}/actual.txt"
                        OUTPUT_VARIABLE difference)
        message(NOTICE "standard output differs from expected.txt:\n${difference}")
    else()
        message(NOTICE "--- expected ---\n${expected}--- actual ---\n${output}--- end ---")
    endif()
    message(SEND_ERROR "standard output differs from expected.txt")
    set(failed TRUE)
endif()
if(NOT "${result}" STREQUAL "${expected_code}")
    message(SEND_ERROR "exit code ${result}, expected ${expected_code}")
    set(failed TRUE)
endif()
if(EXISTS "${TEST_DIR}/expected-errors.txt")
    file(READ "${TEST_DIR}/expected-errors.txt" expected_errors)
    string(REPLACE "TITLE" "${copy}" expected_errors "${expected_errors}")
    if(NOT errors STREQUAL expected_errors)
        message(SEND_ERROR "standard error differs from expected-errors.txt:\n${errors}")
        set(failed TRUE)
    endif()
elseif(NOT errors STREQUAL "")
    message(NOTICE "standard error:\n${errors}")
endif()

# A read-only title comes out as it went in: no file changed, none added.
if(EXISTS "${TEST_DIR}/read-only")
    execute_process(COMMAND chmod -R u+w "${copy}")
    file(GLOB_RECURSE after LIST_DIRECTORIES false RELATIVE "${copy}" "${copy}/*")
    if(NOT after STREQUAL before)
        message(SEND_ERROR "the title's files changed: before ${before}, after ${after}")
        set(failed TRUE)
    endif()
    foreach(file ${after})
        if(IS_SYMLINK "${copy}/${file}")
            file(READ_SYMLINK "${copy}/${file}" now)
        else()
            file(SHA256 "${copy}/${file}" now)
        endif()
        if(NOT now STREQUAL "${hash_${file}}")
            message(SEND_ERROR "the title's file ${file} changed")
            set(failed TRUE)
        endif()
    endforeach()
endif()

# The saves, each as its path below the data folder, a colon and its bytes.
if(EXISTS "${TEST_DIR}/expected-saves.txt")
    file(GLOB_RECURSE saves LIST_DIRECTORIES false RELATIVE "${WORK_DIR}/data" "${WORK_DIR}/data/*")
    set(saved "")
    foreach(save ${saves})
        file(READ "${WORK_DIR}/data/${save}" bytes)
        string(APPEND saved "${save}: ${bytes}\n")
    endforeach()
    file(READ "${TEST_DIR}/expected-saves.txt" expected_saves)
    if(NOT saved STREQUAL expected_saves)
        file(WRITE "${WORK_DIR}/actual-saves.txt" "${saved}")
        message(SEND_ERROR "the saves differ from expected-saves.txt:\n${saved}")
        set(failed TRUE)
    endif()
endif()

# The sound written with --audio-out sound.wav, summed up, against expected-sound.txt.
if(EXISTS "${TEST_DIR}/expected-sound.txt")
    need_testkit("sum up sound.wav")
    execute_process(COMMAND "${TESTKIT}" sound "${copy}/sound.wav"
                    RESULT_VARIABLE same OUTPUT_VARIABLE heard ERROR_VARIABLE heard)
    file(READ "${TEST_DIR}/expected-sound.txt" expected_sound)
    if(NOT same EQUAL 0 OR NOT heard STREQUAL expected_sound)
        file(WRITE "${WORK_DIR}/actual-sound.txt" "${heard}")
        message(SEND_ERROR "the sound differs from expected-sound.txt; heard:\n${heard}")
        set(failed TRUE)
    endif()
endif()

# Shots: expected-NAME.png against the shot NAME the input script took.
file(GLOB shots RELATIVE "${TEST_DIR}" "${TEST_DIR}/expected-*.png")
foreach(shot ${shots})
    need_testkit("compare ${shot}")
    string(REGEX REPLACE "^expected-" "" actual "${shot}")
    if(NOT EXISTS "${copy}/${actual}")
        message(SEND_ERROR "the input script took no shot ${actual}")
        set(failed TRUE)
        continue()
    endif()
    execute_process(COMMAND "${TESTKIT}" compare "${TEST_DIR}/${shot}" "${copy}/${actual}" 8
                    RESULT_VARIABLE same OUTPUT_VARIABLE difference ERROR_VARIABLE difference)
    if(NOT same EQUAL 0)
        message(SEND_ERROR "${actual} differs from ${shot}: ${difference}")
        set(failed TRUE)
    endif()
endforeach()

if(failed)
    if(NOT errors STREQUAL "")
        message(FATAL_ERROR "the title failed; its standard error is above")
    endif()
    message(FATAL_ERROR "the title failed")
endif()

# make_title_media(FOLDER): makes the media a title folder describes, in that folder: its
# pictures (media.txt) and sounds (tones.txt) with ${TESTKIT}, its movies (movies.txt) with
# ${SMKENC}, and its other videos (videos.txt) with the ffmpeg program. Each line of
# movies.txt and videos.txt is a file name and the options that make it. Any failure stops the
# script with the tool's output. Included by the scripts run with `cmake -P`.

function(need_testkit why)
    if("${TESTKIT}" STREQUAL "" OR NOT EXISTS "${TESTKIT}")
        message(FATAL_ERROR "stagehand-testkit is needed to ${why}, and it was not built")
    endif()
endfunction()

# Runs one maker; stops with its output when it fails.
function(run_maker what)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE output
                    ERROR_VARIABLE output)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "${what} failed (${result}):\n${output}")
    endif()
endfunction()

# The lines of a list that are not comments or blank.
function(list_lines file out)
    file(STRINGS "${file}" lines REGEX "^[ \t]*[^# \t]")
    set(${out} "${lines}" PARENT_SCOPE)
endfunction()

function(make_title_media folder)
    if(EXISTS "${folder}/media.txt")
        need_testkit("make the media of media.txt")
        run_maker("stagehand-testkit media" "${TESTKIT}" media "${folder}/media.txt" "${folder}")
    endif()
    if(EXISTS "${folder}/tones.txt")
        need_testkit("make the sounds of tones.txt")
        run_maker("stagehand-testkit tones" "${TESTKIT}" tones "${folder}/tones.txt" "${folder}")
    endif()
    if(EXISTS "${folder}/movies.txt")
        if("${SMKENC}" STREQUAL "" OR NOT EXISTS "${SMKENC}")
            message(FATAL_ERROR "stagehand-smkenc is needed to make the movies of movies.txt")
        endif()
        list_lines("${folder}/movies.txt" movie_lines)
        foreach(line ${movie_lines})
            separate_arguments(words UNIX_COMMAND "${line}")
            list(POP_FRONT words name)
            run_maker("stagehand-smkenc ${name}" "${SMKENC}" "${folder}/${name}" ${words})
        endforeach()
    endif()
    if(EXISTS "${folder}/videos.txt")
        find_program(FFMPEG ffmpeg REQUIRED)
        list_lines("${folder}/videos.txt" video_lines)
        foreach(line ${video_lines})
            separate_arguments(words UNIX_COMMAND "${line}")
            list(POP_FRONT words name)
            run_maker("ffmpeg ${name}" "${FFMPEG}" -nostdin -v error -y ${words} "${folder}/${name}")
        endforeach()
    endif()
endfunction()

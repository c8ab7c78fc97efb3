# Installs the build into a fresh prefix and checks what lands there: the program alone in bin/
# (no test or demo tools), the demo with its made media, the desktop entry (validated when
# VALIDATE names desktop-file-validate), the icons, manual page, metainfo, completion and the
# package's documents; then plays the installed program with no
# title from another folder, which must find the installed demo. Run with `cmake -P`:
#   -DBUILD_DIR=dir  -DPREFIX=dir  -DINPUT=script  -DSTDOUT=regex  [-DVALIDATE=program]  [-DICONS=ON]
cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed (${result}):\n${output}")
endif()

file(GLOB programs RELATIVE "${PREFIX}/bin" "${PREFIX}/bin/*")
if(NOT programs STREQUAL "stagehand")
    message(FATAL_ERROR "bin/ should hold only stagehand, and holds: ${programs}")
endif()

set(demo "${PREFIX}/share/stagehand/demo")
foreach(pattern roles.mii msg.mii *.bmp *.wav *.smk)
    file(GLOB found "${demo}/${pattern}")
    if(NOT found)
        message(FATAL_ERROR "the installed demo has no ${pattern}")
    endif()
endforeach()
file(GLOB_RECURSE strays RELATIVE "${demo}" "${demo}/CMakeLists.txt" "${demo}/*.cmake")
if(strays)
    message(FATAL_ERROR "the installed demo holds build files: ${strays}")
endif()
# What the desktop and the package are given besides the program. The PNG icons are drawn at
# build time, when rsvg-convert is there (ICONS=ON).
set(installed share/icons/hicolor/scalable/apps/stagehand.svg share/man/man6/stagehand.6.gz
    share/metainfo/org.stagehand.Stagehand.metainfo.xml
    share/bash-completion/completions/stagehand share/doc/stagehand/copyright
    share/doc/stagehand/changelog.gz)
if(ICONS)
    foreach(size 16 32 48 64 128 256)
        list(APPEND installed share/icons/hicolor/${size}x${size}/apps/stagehand.png)
    endforeach()
endif()
foreach(file ${installed})
    if(NOT EXISTS "${PREFIX}/${file}")
        message(FATAL_ERROR "${file} is not installed")
    endif()
endforeach()

set(entry "${PREFIX}/share/applications/org.stagehand.Stagehand.desktop")
file(STRINGS "${entry}" lines)
foreach(line "Name=Stagehand" "Terminal=false" "Icon=stagehand")
    if(NOT line IN_LIST lines)
        message(FATAL_ERROR "the desktop entry has no line ${line}")
    endif()
endforeach()
if(NOT lines MATCHES "Exec=stagehand( |;)")
    message(FATAL_ERROR "the desktop entry does not start stagehand")
endif()
if(DEFINED VALIDATE AND NOT VALIDATE STREQUAL "")
    execute_process(COMMAND "${VALIDATE}" "${entry}" RESULT_VARIABLE result
                    OUTPUT_VARIABLE output ERROR_VARIABLE output)
    if(NOT result EQUAL 0 OR NOT output STREQUAL "")
        message(FATAL_ERROR "desktop-file-validate refuses the entry:\n${output}")
    endif()
endif()

# The installed program with no title, started from a folder that is neither its own nor the
# demo's.
execute_process(COMMAND "${PREFIX}/bin/stagehand" --headless --input "${INPUT}"
                WORKING_DIRECTORY "${PREFIX}/share"
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE error)
if(NOT result EQUAL 0 OR NOT output MATCHES "${STDOUT}")
    message(FATAL_ERROR "the installed program, given no title, exited with ${result}:\n"
                        "standard output:\n${output}\nstandard error:\n${error}")
endif()

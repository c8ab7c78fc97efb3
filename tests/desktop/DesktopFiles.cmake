# The desktop entry and the metainfo agree on the application's id, and each passes its
# validator (when it is installed) without a word. Run with `cmake -P`:
#   -DDESKTOP_DIR=dir  -DAPP_ID=id  [-DAPPSTREAMCLI=program]  [-DDESKTOP_FILE_VALIDATE=program]
cmake_minimum_required(VERSION 3.25)

set(entry "${DESKTOP_DIR}/${APP_ID}.desktop")
set(metainfo "${DESKTOP_DIR}/${APP_ID}.metainfo.xml")
file(READ "${metainfo}" xml)
foreach(needed "<id>${APP_ID}</id>" "<launchable type=\"desktop-id\">${APP_ID}.desktop</launchable>"
               "<binary>stagehand</binary>")
    string(FIND "${xml}" "${needed}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "the metainfo has no ${needed}")
    endif()
endforeach()
file(STRINGS "${entry}" lines)
foreach(needed "Exec=stagehand %f" "Icon=stagehand"
               "MimeType=inode/directory;application/x-cd-image;application/x-iso9660-image;")
    if(NOT needed IN_LIST lines)
        message(FATAL_ERROR "the desktop entry has no line ${needed}")
    endif()
endforeach()

# appstreamcli passes a file with only pedantic remarks; desktop-file-validate says nothing.
if(NOT "${APPSTREAMCLI}" STREQUAL "")
    execute_process(COMMAND "${APPSTREAMCLI}" validate --no-net "${metainfo}"
                    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
    if(NOT result EQUAL 0 OR output MATCHES "(^|\n)[EWI]: ")
        message(FATAL_ERROR "appstreamcli refuses the metainfo (${result}):\n${output}")
    endif()
endif()
if(NOT "${DESKTOP_FILE_VALIDATE}" STREQUAL "")
    execute_process(COMMAND "${DESKTOP_FILE_VALIDATE}" "${entry}"
                    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
    if(NOT result EQUAL 0 OR NOT output STREQUAL "")
        message(FATAL_ERROR "desktop-file-validate refuses the entry:\n${output}")
    endif()
endif()

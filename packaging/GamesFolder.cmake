# CPack runs this on the package's files before it packs them: a Debian package of section
# games keeps its program in /usr/games. The demo is found from there as from /usr/bin (both
# are beside share/), so the program is moved, not rebuilt.
set(staged "${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")
if(EXISTS "${staged}/bin/stagehand")
    file(MAKE_DIRECTORY "${staged}/games")
    file(RENAME "${staged}/bin/stagehand" "${staged}/games/stagehand")
    file(GLOB left "${staged}/bin/*")
    if(NOT left)
        file(REMOVE_RECURSE "${staged}/bin")
    endif()
endif()

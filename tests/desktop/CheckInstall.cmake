# Installs the build into a scratch prefix, left in place for a look afterwards, and checks that a
# desktop can start the program from it: the desktop entry, its icon as a PNG at every size, the
# AppStream metadata naming that entry and the program that the entry's Exec names, which must carry
# no library search path (RUNPATH).
#   cmake -DBUILD_DIR=<build> -DPREFIX=<scratch dir> -DVERSION=<project version> -DREADELF=<readelf>
#         -P CheckInstall.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX} OUTPUT_QUIET
                COMMAND_ERROR_IS_FATAL ANY)
set(id io.github.vorlin.Vorlin)
foreach(file bin/vorlin share/doc/vorlin/copyright share/man/man1/vorlin.1)
    if(NOT EXISTS "${PREFIX}/${file}")
        message(FATAL_ERROR "not installed: ${file}")
    endif()
endforeach()

# A missing icon fails the read; a present one must be a PNG of the size its folder names.
foreach(size 16 32 48 64 128 256)
    set(icon "${PREFIX}/share/icons/hicolor/${size}x${size}/apps/vorlin.png")
    file(READ "${icon}" header LIMIT 24 HEX)
    string(REGEX MATCH "^89504e470d0a1a0a0000000d49484452(........)(........)$" png "${header}")
    math(EXPR width "0x0${CMAKE_MATCH_1}")
    math(EXPR height "0x0${CMAKE_MATCH_2}")
    if(NOT png OR NOT width EQUAL size OR NOT height EQUAL size)
        message(FATAL_ERROR "${icon} is not a ${size}x${size} PNG (${width}x${height})")
    endif()
endforeach()

# The entry must start the installed program and show the installed icon.
file(READ "${PREFIX}/share/applications/${id}.desktop" entry)
string(REGEX MATCH "(^|\n)Exec=([^ \n]*)" exec "${entry}")
set(program "${CMAKE_MATCH_2}")
if(program STREQUAL "" OR NOT EXISTS "${PREFIX}/bin/${program}" OR NOT entry MATCHES "\nIcon=vorlin\n")
    message(FATAL_ERROR "the desktop entry runs '${program}' (not installed in bin?) or lacks Icon=vorlin")
endif()
execute_process(COMMAND ${READELF} -d "${PREFIX}/bin/${program}" OUTPUT_VARIABLE dynamic)
if(dynamic MATCHES "\\((RPATH|RUNPATH)\\)[^\n]*")
    message(FATAL_ERROR "the installed program searches its own library path: ${CMAKE_MATCH_0}")
endif()

# The metadata must launch this very entry, name the installed program and list this release.
file(READ "${PREFIX}/share/metainfo/${id}.metainfo.xml" metainfo)
string(REPLACE "." "\\." version "${VERSION}")
foreach(wanted "<id>${id}</id>" "<binary>${program}</binary>"
               "<launchable type=\"desktop-id\">${id}.desktop</launchable>" "<release version=\"${version}\"")
    if(NOT metainfo MATCHES "${wanted}")
        message(FATAL_ERROR "the metadata lacks ${wanted}")
    endif()
endforeach()

# Installs the build into a scratch prefix, left in place for a look afterwards, and checks that a
# desktop can start the program from it: the desktop entry, its icon as a PNG at every size, the
# AppStream metadata naming that entry and the program that the entry's Exec names, which must carry
# no library search path (RUNPATH).
#   cmake -DBUILD_DIR=<build> -DPREFIX=<scratch dir> -DVERSION=<project version> -DREADELF=<readelf>
#         -P CheckInstall.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX} COMMAND_ERROR_IS_FATAL ANY)
set(id io.github.vorlin.Vorlin)

# A missing icon fails the read; a present one must begin as a PNG whose header gives the size its
# folder names, as eight hexadecimal digits for the width and eight for the height.
foreach(size 16 32 48 64 128 256)
    file(READ "${PREFIX}/share/icons/hicolor/${size}x${size}/apps/vorlin.png" header LIMIT 24 HEX)
    math(EXPR side "0x100000000 + ${size}" OUTPUT_FORMAT HEXADECIMAL)
    string(SUBSTRING "${side}" 3 8 side)
    if(NOT header STREQUAL "89504e470d0a1a0a0000000d49484452${side}${side}")
        message(FATAL_ERROR "the ${size}x${size} icon is no PNG of that size (header ${header})")
    endif()
endforeach()

# The entry must start the installed program and show the installed icon.
file(READ "${PREFIX}/share/applications/${id}.desktop" entry)
string(REGEX MATCH "(^|\n)Exec=([^ \n]*)" exec "${entry}")
set(program "${CMAKE_MATCH_2}")
if(program STREQUAL "" OR NOT entry MATCHES "\nIcon=vorlin\n")
    message(FATAL_ERROR "the desktop entry runs no program or lacks Icon=vorlin")
endif()
# A file that is not installed fails the read: the program the entry runs, the copyright, the manual.
foreach(file bin/${program} share/doc/vorlin/copyright share/man/man1/vorlin.1)
    file(READ "${PREFIX}/${file}" start LIMIT 1)
endforeach()
execute_process(COMMAND ${READELF} -d "${PREFIX}/bin/${program}" OUTPUT_VARIABLE dynamic)
if(dynamic MATCHES "\\((RPATH|RUNPATH)\\)[^\n]*")
    message(FATAL_ERROR "the installed program searches its own library path: ${CMAKE_MATCH_0}")
endif()

# The metadata must launch this very entry, name the installed program and list this release.
file(READ "${PREFIX}/share/metainfo/${id}.metainfo.xml" metainfo)
foreach(wanted "<id>${id}</id>" "<binary>${program}</binary>"
               "<launchable type=\"desktop-id\">${id}.desktop</launchable>" "<release version=\"${VERSION}\"")
    if(NOT metainfo MATCHES "${wanted}")
        message(FATAL_ERROR "the metadata lacks ${wanted}")
    endif()
endforeach()

# Installs the build into a scratch prefix and checks that a desktop can start the program from it:
# the desktop entry, its icon at every size, the AppStream metadata naming that entry and the
# program that the entry's Exec names, which must carry no library search path (RUNPATH).
#   cmake -DBUILD_DIR=<build> -DPREFIX=<scratch dir> -DVERSION=<project version> -DREADELF=<readelf>
#         -P CheckInstall.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE error)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${error}")
endif()

set(id io.github.vorlin.Vorlin)
set(share "${PREFIX}/share")
set(missing "")
foreach(file bin/vorlin share/applications/${id}.desktop share/metainfo/${id}.metainfo.xml
             share/doc/vorlin/copyright share/man/man1/vorlin.1)
    if(NOT EXISTS "${PREFIX}/${file}")
        list(APPEND missing ${file})
    endif()
endforeach()

# Every icon is a PNG of the size its folder names.
foreach(size 16 32 48 64 128 256)
    set(icon "${share}/icons/hicolor/${size}x${size}/apps/vorlin.png")
    if(NOT EXISTS "${icon}")
        list(APPEND missing "share/icons/hicolor/${size}x${size}/apps/vorlin.png")
        continue()
    endif()
    file(READ "${icon}" header LIMIT 24 HEX)
    string(SUBSTRING "${header}" 0 16 magic)
    string(SUBSTRING "${header}" 32 8 width)
    string(SUBSTRING "${header}" 40 8 height)
    math(EXPR width "0x${width}")
    math(EXPR height "0x${height}")
    if(NOT magic STREQUAL "89504e470d0a1a0a" OR NOT width EQUAL size OR NOT height EQUAL size)
        message(FATAL_ERROR "${icon} is not a ${size}x${size} PNG (${width}x${height})")
    endif()
endforeach()
if(missing)
    message(FATAL_ERROR "not installed: ${missing}")
endif()

# The entry must start the installed program and show the installed icon.
file(STRINGS "${share}/applications/${id}.desktop" exec REGEX "^Exec=")
file(STRINGS "${share}/applications/${id}.desktop" icon REGEX "^Icon=")
string(REGEX REPLACE "^Exec=([^ ]+).*" "\\1" program "${exec}")
if(NOT EXISTS "${PREFIX}/bin/${program}")
    message(FATAL_ERROR "the desktop entry runs '${program}', which is not installed in bin")
endif()
execute_process(COMMAND ${READELF} -d "${PREFIX}/bin/${program}" OUTPUT_VARIABLE dynamic)
if(dynamic MATCHES "\\((RPATH|RUNPATH)\\)[^\n]*")
    message(FATAL_ERROR "the installed program searches its own library path: ${CMAKE_MATCH_0}")
endif()
if(NOT icon STREQUAL "Icon=vorlin")
    message(FATAL_ERROR "the desktop entry shows '${icon}', not the installed icon vorlin")
endif()

# The metadata must launch this very entry and name the installed program.
file(READ "${share}/metainfo/${id}.metainfo.xml" metainfo)
if(NOT metainfo MATCHES "<id>${id}</id>")
    message(FATAL_ERROR "the metadata's id is not ${id}")
endif()
if(NOT metainfo MATCHES "<launchable type=\"desktop-id\">${id}.desktop</launchable>")
    message(FATAL_ERROR "the metadata does not launch ${id}.desktop")
endif()
if(NOT metainfo MATCHES "<binary>${program}</binary>")
    message(FATAL_ERROR "the metadata does not provide the binary ${program}")
endif()
string(REPLACE "." "\\." version "${VERSION}")
if(NOT metainfo MATCHES "<release version=\"${version}\"")
    message(FATAL_ERROR "the metadata lists no release ${VERSION}, the version being built")
endif()
file(REMOVE_RECURSE "${PREFIX}")

# Desktop integration: the desktop entry, the icon in the hicolor theme, the AppStream metadata, the
# manual page and the licence are installed beside the program (src/app installs it to bin).
#   cmake --install <build> --strip [--prefix <dir>]
# The Debian package (debian/, built by scripts/package.sh) installs the same tree through debhelper.
include(GNUInstallDirs)

set(VORLIN_APP_ID io.github.vorlin.Vorlin)
set(VORLIN_DESKTOP_DIR ${PROJECT_SOURCE_DIR}/resources/desktop)

install(FILES ${VORLIN_DESKTOP_DIR}/${VORLIN_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${VORLIN_DESKTOP_DIR}/${VORLIN_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 16 32 48 64 128 256)
    install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/hicolor/${size}x${size}/apps/vorlin.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/resources/man/vorlin.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# Debian keeps each package's licence as /usr/share/doc/<package>/copyright; the package replaces
# this copy with debian/copyright, the same licence in Debian's machine-readable form.
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vorlin RENAME copyright)

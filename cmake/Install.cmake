# Desktop integration and packaging: the desktop entry, the icon in the hicolor theme, the AppStream
# metadata and the licence are installed beside the program (src/app installs it to bin), and CPack
# turns the installed tree into a Debian package:
#   cmake --install <build> [--prefix <dir>]
#   cpack -G DEB --config <build>/CPackConfig.cmake      (scripts/package.sh does both steps)
include(GNUInstallDirs)

set(VORLIN_APP_ID io.github.vorlin.Vorlin)
set(VORLIN_DESKTOP_DIR ${PROJECT_SOURCE_DIR}/resources/desktop)

install(FILES ${VORLIN_DESKTOP_DIR}/${VORLIN_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${VORLIN_DESKTOP_DIR}/${VORLIN_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 16 32 48 64 128 256)
    install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/hicolor/${size}x${size}/apps/vorlin.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
# Debian keeps each package's licence as /usr/share/doc/<package>/copyright.
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vorlin RENAME copyright)

set(CPACK_PACKAGE_NAME vorlin)
set(CPACK_PACKAGE_VENDOR "Vorlin developers")
set(CPACK_PACKAGE_CONTACT "Vorlin developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "gives drawings of railway vehicles conforming file names")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Vorlin renames bitmap drawings of railway vehicles (.bmp and .dib files) to a fixed naming "
    "convention of country, company, vehicle type, acronym and an optional suffix. It shows the "
    "picked drawing, reads the fields from its current name and never replaces another file.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://github.com/vorlin/vorlin")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Vorlin developers")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# dpkg-shlibdeps (dpkg-dev) derives the library packages (libqt6core6, libqt6gui6, libqt6widgets6,
# libc6, libstdc++6 ...) from the program itself. The fonts are loaded by name at run time and the
# platform plugins are loaded by Qt, so neither shows up as a linked library.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-liberation")

include(CPack)

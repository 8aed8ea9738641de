# What `cmake --install` puts on a system, and the Debian package `cpack -G DEB` builds from
# it: the program, the simulated logger, the desktop entry, the icon and the manual page.
include(GNUInstallDirs)

install(TARGETS brentavius4 brentavius-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/src/app/brentavius4.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

set(BRENTAVIUS_ICONS ${PROJECT_SOURCE_DIR}/src/windows/resources)
foreach(size 16 24 32 48 64 128 256)
  install(FILES ${BRENTAVIUS_ICONS}/brentavius4-${size}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
    RENAME brentavius4.png)
endforeach()
install(FILES ${BRENTAVIUS_ICONS}/brentavius4.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# Debian keeps manual pages compressed, without a time stamp in the file.
set(BRENTAVIUS_MAN_PAGE ${PROJECT_BINARY_DIR}/brentavius4.1.gz)
add_custom_command(OUTPUT ${BRENTAVIUS_MAN_PAGE}
  COMMAND gzip -9 -n -c ${PROJECT_SOURCE_DIR}/docs/brentavius4.1 > ${BRENTAVIUS_MAN_PAGE}
  DEPENDS ${PROJECT_SOURCE_DIR}/docs/brentavius4.1
  VERBATIM)
add_custom_target(brentavius4_man_page ALL DEPENDS ${BRENTAVIUS_MAN_PAGE})
install(FILES ${BRENTAVIUS_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME brentavius4)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "PC side of a four-channel 12-bit environmental data logger")
set(CPACK_PACKAGE_DESCRIPTION
  "Connects to the logger on a serial line, shows its channels live, sets its clock and\n\
sample rate, downloads and verifies the recording, shows it in a grid, saves it as text or\n\
CSV and charts it. Downloads also run unattended from the command line. Every download is\n\
kept in a station archive (SQLite, or a lab's shared PostgreSQL server). Includes a\n\
simulated logger on a pseudo-terminal.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "BRENTAVIUS4 <brentavius4@example.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
# dpkg-shlibdeps reads the runtime packages (Qt 6, QCustomPlot) off the built binaries. Qt's SQL
# drivers are plugins that no binary links: the station archive's SQLite driver is needed on
# every PC, the PostgreSQL one only for a lab's shared archive.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libqt6sql6-psql")
include(CPack)

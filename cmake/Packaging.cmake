# What `cmake --install` puts in place, and the Debian package `cpack -G DEB`
# makes of it.
include(GNUInstallDirs)

install(TARGETS deskmap deskmap-app RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The programs look for their run-time modules in ../lib/deskmap.
install(TARGETS deskmap-curl deskmap-secret-service LIBRARY DESTINATION lib/deskmap)
install(FILES Deskmap/App/Data/com.quillary.deskmap.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES Deskmap/App/Data/com.quillary.deskmap.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES Deskmap/Qt/Resources/deskmap.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME deskmap)
set(CPACK_PACKAGE_VENDOR Quillary)
set(CPACK_PACKAGE_CONTACT "Deskmap developers <deskmap@quillary.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Every workspace of every display, labelled, in the tray")
set(CPACK_PACKAGE_DESCRIPTION
    "Deskmap lists every workspace of every display with a short label and a one-phrase\n"
    "summary written from window metadata alone, and switches to one with a click.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE gzip)
include(CPack)

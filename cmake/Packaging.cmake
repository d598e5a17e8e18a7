# What `cmake --install` puts in place, and the Debian package `cpack -G DEB`
# makes of it.
include(GNUInstallDirs)
include(DeskmapPlatform/GnomeShell/Extension/Extension.cmake)

# A placeholder the maintainer who publishes the package replaces.
set(DESKMAP_PACKAGE_MAINTAINER "Deskmap maintainers <maintainers@deskmap.invalid>"
    CACHE STRING "The package's Maintainer field")

install(TARGETS deskmap deskmap-app RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The programs look for their run-time modules in ../lib/deskmap/modules:
# private, so no ldconfig is run for them.
install(TARGETS deskmap-curl deskmap-secret-service deskmap-dbus LIBRARY DESTINATION lib/deskmap/modules)
install(FILES Deskmap/App/Data/com.quillary.deskmap.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
configure_file(Deskmap/App/Data/com.quillary.deskmap.metainfo.xml.in
               ${CMAKE_BINARY_DIR}/packaging/com.quillary.deskmap.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/packaging/com.quillary.deskmap.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES Deskmap/Qt/Resources/deskmap.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# Manual pages, from scdoc sources, compressed as Debian wants them.
find_program(SCDOC_PROGRAM scdoc)
find_program(GZIP_PROGRAM gzip)
if(SCDOC_PROGRAM AND GZIP_PROGRAM)
  set(manuals)
  foreach(page deskmap.1 deskmap-app.1)
    add_custom_command(
      OUTPUT ${CMAKE_BINARY_DIR}/man/${page}.gz
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
      COMMAND ${SCDOC_PROGRAM} < ${PROJECT_SOURCE_DIR}/docs/man/${page}.scd > ${CMAKE_BINARY_DIR}/man/${page}
      COMMAND ${GZIP_PROGRAM} -9n -f -k ${CMAKE_BINARY_DIR}/man/${page}
      DEPENDS ${PROJECT_SOURCE_DIR}/docs/man/${page}.scd
      VERBATIM)
    list(APPEND manuals ${CMAKE_BINARY_DIR}/man/${page}.gz)
  endforeach()
  add_custom_target(deskmap-manuals ALL DEPENDS ${manuals})
  install(FILES ${manuals} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
else()
  message(WARNING "scdoc not found: the manual pages are not built")
endif()

# Completions, where each shell looks for them.
install(FILES packaging/completions/deskmap.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME deskmap)
install(FILES packaging/completions/_deskmap DESTINATION ${CMAKE_INSTALL_DATADIR}/zsh/vendor-completions)
install(FILES packaging/completions/deskmap.fish
        DESTINATION ${CMAKE_INSTALL_DATADIR}/fish/vendor_completions.d)

# The licence in the machine-readable form, and the changelog.
install(FILES packaging/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/deskmap)
execute_process(COMMAND date -u -d "${DESKMAP_RELEASE_DATE}" "+%a, %d %b %Y 12:00:00 +0000"
                OUTPUT_VARIABLE DESKMAP_CHANGELOG_DATE OUTPUT_STRIP_TRAILING_WHITESPACE)
configure_file(packaging/changelog.in ${CMAKE_BINARY_DIR}/packaging/changelog @ONLY)
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/packaging/changelog.gz
  COMMAND ${GZIP_PROGRAM} -9n -f -k ${CMAKE_BINARY_DIR}/packaging/changelog
  DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog
  VERBATIM)
add_custom_target(deskmap-changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
install(FILES ${CMAKE_BINARY_DIR}/packaging/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/deskmap)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME deskmap)
set(CPACK_PACKAGE_VENDOR "The Deskmap developers")
set(CPACK_PACKAGE_CONTACT "${DESKMAP_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "every workspace of every display, labelled, in the tray")
# One string: a CMake list would put ";" into the text. Lines wrapped for
# the control file.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Deskmap lists every workspace of every display with a short label and a\n"
  "one-phrase summary written from window metadata alone (application names\n"
  "and window titles), and switches to one with a click.")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "")
# /usr for the Debian package only: the source archive keeps the tree as it is.
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/CPackPerGenerator.cmake)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE gzip)
# The release tarball (`cmake --build BUILD --target package_source`): the
# sources as they are in the tree, without build trees or git's files.
set(CPACK_SOURCE_GENERATOR TGZ)
set(CPACK_SOURCE_PACKAGE_FILE_NAME deskmap-${PROJECT_VERSION})
# Special characters are escaped as bracket classes: CPack writes these
# patterns into a CMake file, where a backslash would start an escape. (A
# source path holding [, ] or ^ is not escaped.)
string(REGEX REPLACE "([+.*()$?|])" "[\\1]" source_pattern "${PROJECT_SOURCE_DIR}")
set(CPACK_SOURCE_IGNORE_FILES "^${source_pattern}/build/" "^${source_pattern}/[.]git/"
    "^${source_pattern}/[.]cache/" "^${source_pattern}/compile_commands[.]json$")
include(CPack)

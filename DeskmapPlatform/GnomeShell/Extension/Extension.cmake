# Deskmap's GNOME Shell extension, in both of the Shell's extension forms:
# scripts for GNOME 43–44 ("legacy") and modules for GNOME 45 and later
# ("module"). Both are built from one logic file into
# <build>/gnome-shell/<form>/<uuid>; the one for the Shell the package is
# meant for is installed.
set(DESKMAP_GNOME_EXTENSION_UUID "deskmap@quillary.com")
set(DESKMAP_GNOME_EXTENSION_VERSION 1)
set(extension_source ${CMAKE_CURRENT_LIST_DIR})
set(DESKMAP_GNOME_EXTENSION_BUILD_DIRECTORY ${CMAKE_BINARY_DIR}/gnome-shell)

# The form a packager gets without choosing: the one the GNOME Shell on the
# build machine loads, else the current one.
set(default_form module)
find_program(GNOME_SHELL_PROGRAM gnome-shell)
if(GNOME_SHELL_PROGRAM)
  execute_process(COMMAND ${GNOME_SHELL_PROGRAM} --version OUTPUT_VARIABLE shell_version
                  ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(shell_version MATCHES "GNOME Shell ([0-9]+)" AND CMAKE_MATCH_1 LESS 45)
    set(default_form legacy)
  endif()
endif()
set(DESKMAP_GNOME_SHELL_FORM ${default_form} CACHE STRING
    "The GNOME Shell extension form to install: legacy (GNOME 43-44) or module (GNOME 45+)")
set_property(CACHE DESKMAP_GNOME_SHELL_FORM PROPERTY STRINGS legacy module)
if(NOT DESKMAP_GNOME_SHELL_FORM MATCHES "^(legacy|module)$")
  message(FATAL_ERROR "DESKMAP_GNOME_SHELL_FORM must be legacy or module")
endif()

set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  ${extension_source}/logic.js ${extension_source}/extension-legacy.js
  ${extension_source}/extension-module.js ${extension_source}/metadata.json.in
  ${extension_source}/deskmap-symbolic.svg)
file(READ ${extension_source}/logic.js extension_logic)
foreach(form legacy module)
  set(directory ${DESKMAP_GNOME_EXTENSION_BUILD_DIRECTORY}/${form}/${DESKMAP_GNOME_EXTENSION_UUID})
  if(form STREQUAL legacy)
    set(DESKMAP_GNOME_SHELL_VERSIONS "[\"43\", \"44\"]")
    # Scripts export their top-level functions as they are.
    file(WRITE ${directory}/logic.js "${extension_logic}")
  else()
    set(DESKMAP_GNOME_SHELL_VERSIONS "[\"45\", \"46\", \"47\", \"48\", \"49\"]")
    file(WRITE ${directory}/logic.js "${extension_logic}\nexport {createDeskmapExtension};\n")
  endif()
  configure_file(${extension_source}/extension-${form}.js ${directory}/extension.js COPYONLY)
  configure_file(${extension_source}/metadata.json.in ${directory}/metadata.json @ONLY)
  configure_file(${extension_source}/deskmap-symbolic.svg ${directory}/deskmap-symbolic.svg COPYONLY)
endforeach()

install(DIRECTORY
  ${DESKMAP_GNOME_EXTENSION_BUILD_DIRECTORY}/${DESKMAP_GNOME_SHELL_FORM}/${DESKMAP_GNOME_EXTENSION_UUID}
  DESTINATION ${CMAKE_INSTALL_DATADIR}/gnome-shell/extensions)

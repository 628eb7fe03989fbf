# Install rules and the Debian package. Included at the end of the top-level
# CMakeLists.txt, once every program is defined. `cmake --install` puts the
# programs in bin, the manual pages, the desktop entry and the icon under share,
# and the README, the manual (docs/) and the licence in the doc folder;
# `cpack -G DEB` packs the same tree as ruvo_<version>_amd64.deb (tools/package
# builds it and the two zips).
include(GNUInstallDirs)

# Name and address in the package's Maintainer field and its changelog.
set(RUVO_MAINTAINER "The Ruvo developers <maintainers@users.noreply.c-seed-b5d88ba4.example>"
    CACHE STRING "Maintainer named in the Debian package")

# Directories made by the install get 0755 whatever the umask, as Debian expects.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

install(TARGETS ruvo RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET ruvo-export)
  install(TARGETS ruvo-export RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
if(TARGET ruvo-import)
  install(TARGETS ruvo-import RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(FILES README.md LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})
# The manual's pages and pictures, at the paths the README's links give them.
install(DIRECTORY docs/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs FILES_MATCHING PATTERN "*.md"
        PATTERN "*.png")

if(WIN32)
  return()
endif()

# Manual pages and the changelog carry the version and are shipped compressed
# with gzip -9n (no name or time stamp in the header, so builds are repeatable).
find_program(RUVO_GZIP gzip)
if(NOT RUVO_GZIP)
  message(FATAL_ERROR "gzip is needed to compress the manual pages")
endif()
set(ruvo_share ${CMAKE_CURRENT_BINARY_DIR}/share)
set(ruvo_compressed)
foreach(page ruvo ruvo-export ruvo-import)
  configure_file(packaging/${page}.1.in ${ruvo_share}/${page}.1 @ONLY)
  list(APPEND ruvo_compressed ${ruvo_share}/${page}.1)
endforeach()
configure_file(packaging/changelog.in ${ruvo_share}/changelog @ONLY)
list(APPEND ruvo_compressed ${ruvo_share}/changelog)
set(ruvo_compressed_outputs)
foreach(file IN LISTS ruvo_compressed)
  add_custom_command(OUTPUT ${file}.gz COMMAND ${RUVO_GZIP} -9nkf ${file} DEPENDS ${file} VERBATIM)
  list(APPEND ruvo_compressed_outputs ${file}.gz)
endforeach()
add_custom_target(ruvo_share ALL DEPENDS ${ruvo_compressed_outputs})

install(FILES ${ruvo_share}/ruvo.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
if(TARGET ruvo-export)
  install(FILES ${ruvo_share}/ruvo-export.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
if(TARGET ruvo-import)
  install(FILES ${ruvo_share}/ruvo-import.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
install(FILES packaging/ruvo.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES packaging/ruvo.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
# Debian's own form of the licence and the changelog; a version without a
# Debian revision marks a native package, whose changelog is changelog.gz.
install(FILES packaging/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${ruvo_share}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})

if(NOT CMAKE_SYSTEM_NAME STREQUAL "Linux")
  return()
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ruvo)
set(CPACK_PACKAGE_VENDOR "The Ruvo developers")
set(CPACK_PACKAGE_CONTACT "${RUVO_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "interactive editor for graphs drawn in the plane")
# CPack puts the summary on the Description line and this text below it.
set(CPACK_PACKAGE_DESCRIPTION "Ruvo edits one graph in a small window: a right click adds a vertex, a left
click selects the nearest vertex and dragging moves it, a middle click joins
the selected vertex to another, and the D key deletes the selection.
.
S and L save and load the graph and the selection in one plain text file,
graph.ruv, in the current directory; saving never leaves a damaged file.
A trace of the edits goes to standard output.
.
The companion command ruvo-export writes the graph as an SVG picture, a
Graphviz DOT file or GraphML; ruvo-import reads a graph from GraphML, GEXF,
DOT or an edge list, keeping its drawing and laying out the rest with
Graphviz.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${RUVO_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)

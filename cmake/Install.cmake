# What `cmake --install` puts on a machine, and the Debian package CPack makes
# of it: the two programs, the calculator's man page and, with the window, its
# desktop launcher, icon and AppStream metadata.
include(GNUInstallDirs)
include("${CMAKE_CURRENT_LIST_DIR}/Version.cmake")

set(_packaging "${PROJECT_SOURCE_DIR}/packaging")

install(TARGETS dipview-calc RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")

# Man pages are installed compressed, as Debian keeps them.
set(_man_source "${PROJECT_SOURCE_DIR}/docs/dipview-calc.1")
set(_man_gz "${PROJECT_BINARY_DIR}/man/dipview-calc.1.gz")
add_custom_command(
  OUTPUT "${_man_gz}"
  COMMAND "${CMAKE_COMMAND}" -E make_directory "${PROJECT_BINARY_DIR}/man"
  COMMAND gzip -9 -n -c "${_man_source}" > "${_man_gz}"
  DEPENDS "${_man_source}"
  COMMENT "Compressing the dipview-calc man page"
  VERBATIM)
add_custom_target(dipview_man ALL DEPENDS "${_man_gz}")
install(FILES "${_man_gz}" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")

if(TARGET dipview)
  install(TARGETS dipview RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
  configure_file("${_packaging}/dipview.desktop.in"
                 "${PROJECT_BINARY_DIR}/packaging/${DIPVIEW_APP_ID}.desktop" @ONLY)
  install(FILES "${PROJECT_BINARY_DIR}/packaging/${DIPVIEW_APP_ID}.desktop"
          DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/applications")
  install(FILES "${PROJECT_SOURCE_DIR}/data/dipview.svg"
          DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/scalable/apps"
          RENAME "${DIPVIEW_APP_ID}.svg")
  configure_file("${_packaging}/dipview.metainfo.xml.in"
                 "${PROJECT_BINARY_DIR}/packaging/${DIPVIEW_APP_ID}.metainfo.xml" @ONLY)
  install(FILES "${PROJECT_BINARY_DIR}/packaging/${DIPVIEW_APP_ID}.metainfo.xml"
          DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/metainfo")
endif()

# The Debian package: `cpack -G DEB` in the build directory.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME dipview)
set(CPACK_PACKAGE_VERSION "${DIPVIEW_VERSION_TEXT}")
set(CPACK_PACKAGE_VENDOR "DIPVIEW developers")
set(CPACK_PACKAGE_CONTACT "DIPVIEW developers <dipview@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION
  "DIPVIEW is an interactive teaching calculator for voltage sags: it shows how a fault on the "
  "transmission system is seen as line-to-neutral voltages at four levels of a distribution "
  "system fed through DY or YY transformers, as numbers, phasor diagrams and magnitude bars. "
  "The command-line calculator dipview-calc gives the same numbers for scripts and problem "
  "sheets.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
# dpkg-shlibdeps finds the libraries the programs link; Qt loads the SVG icon
# engine as a plugin at run time, which it cannot see.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(TARGET dipview)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6")
endif()
include(CPack)

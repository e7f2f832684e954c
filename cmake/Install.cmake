# What `cmake --install` puts on a machine, and the Debian package CPack makes
# of it: the two programs, the calculator's man page and, with the window, its
# desktop launcher, icon and AppStream metadata.
include(GNUInstallDirs)
include("${CMAKE_CURRENT_LIST_DIR}/Version.cmake")

set(_packaging "${PROJECT_SOURCE_DIR}/packaging")

install(TARGETS dipview-calc RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")

# The man pages are made from the programs' own --help and --version by
# help2man, so the options and examples are documented in one place; the .h2m
# files add the name line, the exit status, the files and the cross
# references, in the sections of a Debian man page. Installed compressed, as
# Debian keeps them.
find_program(DIPVIEW_HELP2MAN help2man REQUIRED)
set(_man_pages dipview-calc)
if(TARGET dipview)
  list(APPEND _man_pages dipview)
endif()
foreach(_page IN LISTS _man_pages)
  set(_man_gz "${PROJECT_BINARY_DIR}/man/${_page}.1.gz")
  # The desktop id, where a page names the installed files.
  set(_h2m "${PROJECT_BINARY_DIR}/man/${_page}.h2m")
  configure_file("${PROJECT_SOURCE_DIR}/docs/${_page}.h2m" "${_h2m}" @ONLY)
  add_custom_command(
    OUTPUT "${_man_gz}"
    COMMAND "${CMAKE_COMMAND}" -E make_directory "${PROJECT_BINARY_DIR}/man"
    COMMAND "${DIPVIEW_HELP2MAN}" --no-info --section 1 --manual "User Commands"
            --source "DIPVIEW ${DIPVIEW_VERSION_TEXT}"
            --include "${_h2m}"
            --output "${PROJECT_BINARY_DIR}/man/${_page}.1" "$<TARGET_FILE:${_page}>"
    COMMAND gzip -9 -n -f "${PROJECT_BINARY_DIR}/man/${_page}.1"
    DEPENDS ${_page} "${_h2m}"
    COMMENT "Making the ${_page} man page"
    VERBATIM)
  add_custom_target(dipview_man_${_page} ALL DEPENDS "${_man_gz}")
  install(FILES "${_man_gz}" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
endforeach()

# The licence, and the Debian changelog, in the package's documentation folder.
file(READ "${PROJECT_SOURCE_DIR}/LICENSE" _license)
string(STRIP "${_license}" _license)
# In a Debian copyright file the licence text is indented and a blank line is " .".
string(REGEX REPLACE "\n\n" "\n.\n" _license "${_license}")
string(REPLACE "\n" "\n " DIPVIEW_LICENSE_BODY " ${_license}")
configure_file("${_packaging}/copyright.in" "${PROJECT_BINARY_DIR}/packaging/copyright" @ONLY)
configure_file("${_packaging}/changelog.in" "${PROJECT_BINARY_DIR}/packaging/changelog" @ONLY)
set(_changelog_gz "${PROJECT_BINARY_DIR}/packaging/changelog.gz")
add_custom_command(
  OUTPUT "${_changelog_gz}"
  COMMAND gzip -9 -n -c "${PROJECT_BINARY_DIR}/packaging/changelog" > "${_changelog_gz}"
  DEPENDS "${PROJECT_BINARY_DIR}/packaging/changelog"
  VERBATIM)
add_custom_target(dipview_changelog ALL DEPENDS "${_changelog_gz}")
install(FILES "${PROJECT_BINARY_DIR}/packaging/copyright" "${_changelog_gz}"
        DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/doc/dipview")

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
set(CPACK_PACKAGE_CONTACT "${DIPVIEW_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
# Lines of the extended description stay under 80 characters.
set(CPACK_PACKAGE_DESCRIPTION
  "DIPVIEW is an interactive teaching calculator for voltage sags: it shows\n"
  "how a fault on the transmission system is seen as line-to-neutral voltages\n"
  "at four levels of a distribution system fed through DY or YY transformers,\n"
  "as numbers, phasor diagrams and magnitude bars. The command-line calculator\n"
  "dipview-calc gives the same numbers for scripts and problem sheets.")
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

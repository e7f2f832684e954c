# The program's version and desktop id, shared by the window's build, the
# install rules and their tests. Included wherever they are needed: it sets
# variables in the including scope, so it has no include guard.

# The desktop id: the launcher, the installed icon and the AppStream metadata
# are named after it, and the window gives it to the desktop.
set(DIPVIEW_APP_ID "io.github.dipview.dipview")

# The maintainer of the Debian package and its changelog. Debian's format
# wants a mail address there, and the project has no public one: this is a
# name in the example domain, which reaches no one, and nothing else (no
# --help, man page or copyright file) names it or offers it for bug reports.
set(DIPVIEW_MAINTAINER "DIPVIEW developers <dipview@example.org>")

# The version as the program shows it: "1.00" is version 1.0.0 of the project,
# with the numeric form 1.0.0.0 in the Windows version resource. The window
# sets the same text as its application version, and dipview-calc --version
# prints it.
set(DIPVIEW_VERSION_TEXT "1.00")
if(DEFINED PROJECT_VERSION AND NOT PROJECT_VERSION VERSION_EQUAL DIPVIEW_VERSION_TEXT)
  message(FATAL_ERROR
    "The project version ${PROJECT_VERSION} does not match the shown version "
    "${DIPVIEW_VERSION_TEXT}; change both together")
endif()

# Writes the Windows version resource of the window program to OUTPUT from
# apps/dipview/dipview.rc.in, for the shown version text and the numeric version
# NUMERIC (up to four dot-separated numbers; missing ones are 0).
function(dipview_configure_version_resource)
  cmake_parse_arguments(PARSE_ARGV 0 arg "" "OUTPUT;NUMERIC;TEXT;ICON" "")
  foreach(_required OUTPUT NUMERIC TEXT ICON)
    if(NOT DEFINED arg_${_required})
      message(FATAL_ERROR "dipview_configure_version_resource: ${_required} is missing")
    endif()
  endforeach()
  string(REPLACE "." ";" _parts "${arg_NUMERIC}")
  list(LENGTH _parts _count)
  if(_count GREATER 4)
    message(FATAL_ERROR "dipview_configure_version_resource: '${arg_NUMERIC}' has more than four parts")
  endif()
  while(_count LESS 4)
    list(APPEND _parts 0)
    math(EXPR _count "${_count} + 1")
  endwhile()
  foreach(_part IN LISTS _parts)
    if(NOT _part MATCHES "^[0-9]+$" OR _part GREATER 65535)
      message(FATAL_ERROR "dipview_configure_version_resource: '${arg_NUMERIC}' is not a numeric version")
    endif()
  endforeach()
  string(REPLACE ";" "," DIPVIEW_VERSION_NUMERIC "${_parts}")
  set(DIPVIEW_VERSION_TEXT "${arg_TEXT}")
  # The resource compiler reads backslashes in strings as escapes.
  file(TO_CMAKE_PATH "${arg_ICON}" DIPVIEW_ICON_FILE)
  configure_file("${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../apps/dipview/dipview.rc.in" "${arg_OUTPUT}" @ONLY)
endfunction()

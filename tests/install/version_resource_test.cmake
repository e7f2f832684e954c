# The Windows version resource, written as a Windows build writes it: the
# version record names DIPVIEW, DIPVIEW.exe and version 1.00 (1.0.0.0), and
# its icon is an .ico holding the sizes Windows shows.
#
# cmake -DSOURCE_DIR=<source> -DWORK_DIR=<scratch dir> -P version_resource_test.cmake
cmake_minimum_required(VERSION 3.25)

set(failures 0)
macro(fail message)
  message(SEND_ERROR "FAIL: ${message}")
  math(EXPR failures "${failures} + 1")
endmacro()

# The project's version, as the top CMakeLists.txt declares it.
file(READ "${SOURCE_DIR}/CMakeLists.txt" top)
string(REGEX MATCH "project\\(DIPVIEW VERSION ([0-9.]+)" _ "${top}")
set(PROJECT_VERSION "${CMAKE_MATCH_1}")
if(NOT PROJECT_VERSION)
  message(FATAL_ERROR "no project version in ${SOURCE_DIR}/CMakeLists.txt")
endif()

include("${SOURCE_DIR}/cmake/Version.cmake")
set(rc "${WORK_DIR}/dipview.rc")
file(REMOVE "${rc}")
dipview_configure_version_resource(
  OUTPUT "${rc}" NUMERIC "${PROJECT_VERSION}" TEXT "${DIPVIEW_VERSION_TEXT}"
  ICON "${SOURCE_DIR}/data/dipview.ico")
file(READ "${rc}" text)

if(text MATCHES "@[A-Z_]+@")
  fail("unreplaced ${CMAKE_MATCH_0} in the resource")
endif()
foreach(line
    "FILEVERSION 1,0,0,0"
    "PRODUCTVERSION 1,0,0,0"
    "VALUE \"ProductName\", \"DIPVIEW\""
    "VALUE \"InternalName\", \"DIPVIEW\""
    "VALUE \"OriginalFilename\", \"DIPVIEW.exe\""
    "VALUE \"FileVersion\", \"1.00\""
    "VALUE \"ProductVersion\", \"1.00\""
    "FILETYPE VFT_APP")
  string(FIND "${text}" "${line}" at)
  if(at EQUAL -1)
    fail("the resource lacks '${line}'")
  endif()
endforeach()

# The icon line names an existing Windows icon file with 16, 32, 48 and
# 256 pixel images (a width byte of 0 means 256).
string(REGEX MATCH "\n[A-Za-z0-9_]+ ICON \"([^\"]+)\"" _ "${text}")
set(ico "${CMAKE_MATCH_1}")
if(NOT EXISTS "${ico}")
  fail("the resource's icon '${ico}' does not exist")
else()
  file(READ "${ico}" header LIMIT 6 HEX)
  if(NOT header MATCHES "^00000100")
    fail("${ico} is not a Windows icon file")
  endif()
  string(SUBSTRING "${header}" 8 2 count_hex)
  math(EXPR count "0x${count_hex}")
  math(EXPR entries_bytes "6 + 16 * ${count}")
  file(READ "${ico}" entries LIMIT ${entries_bytes} HEX)
  set(widths)
  foreach(i RANGE 1 ${count})
    math(EXPR offset "(6 + 16 * (${i} - 1)) * 2")
    string(SUBSTRING "${entries}" ${offset} 2 width_hex)
    math(EXPR width "0x${width_hex}")
    if(width EQUAL 0)
      set(width 256)
    endif()
    list(APPEND widths ${width})
  endforeach()
  foreach(size 16 32 48 256)
    if(NOT size IN_LIST widths)
      fail("${ico} has no ${size} pixel image (it has: ${widths})")
    endif()
  endforeach()
endif()

if(failures GREATER 0)
  message(FATAL_ERROR "${failures} check(s) failed")
endif()
message(STATUS "version resource OK: ${rc}")

if(CMAKE_SCRIPT_MODE_FILE)
  cmake_minimum_required(VERSION 3.25)
endif()

# The library graph written down once: the folders whose headers the code of
# each folder may include, besides its own and the generated dipview/. A
# folder names only folders listed above it, so no two folders include each
# other. Checked at configure time and by the test structure.includes.
set(DIPVIEW_INCLUDE_RULES
  "compute:"
  "design:compute"
  "output:"
  "calc:compute design output"
  "web:compute design output calc"
  "plot:design output"
  "window:compute design output calc plot"
  "launch:compute design output calc window plot"
  "apps:launch")

# Fails with every #include "FOLDER/..." under `source_dir` that the rules do
# not allow, one line each with the file and line number.
function(dipview_check_includes source_dir)
  set(_above)
  set(_problems)
  foreach(_rule IN LISTS DIPVIEW_INCLUDE_RULES)
    string(REPLACE ":" ";" _parts "${_rule}")
    list(GET _parts 0 _folder)
    list(LENGTH _parts _count)
    set(_allowed)
    if(_count GREATER 1)
      list(GET _parts 1 _allowed)
      string(REPLACE " " ";" _allowed "${_allowed}")
    endif()
    foreach(_name IN LISTS _allowed)
      if(NOT _name IN_LIST _above)
        list(APPEND _problems "the rule for ${_folder} names ${_name}, which is not listed above it")
      endif()
    endforeach()
    list(APPEND _above ${_folder})
    file(GLOB_RECURSE _files RELATIVE "${source_dir}" "${source_dir}/${_folder}/*.h"
         "${source_dir}/${_folder}/*.cpp")
    foreach(_file IN LISTS _files)
      file(STRINGS "${source_dir}/${_file}" _lines)
      set(_number 0)
      foreach(_line IN LISTS _lines)
        math(EXPR _number "${_number} + 1")
        if(_line MATCHES "^[ \t]*#[ \t]*include[ \t]*\"([^\"/]*)(/?)")
          set(_target "${CMAKE_MATCH_1}")
          if(CMAKE_MATCH_2 STREQUAL "" OR
             NOT (_target STREQUAL _folder OR _target STREQUAL "dipview" OR _target IN_LIST _allowed))
            string(REPLACE ";" "/, " _list "${_allowed};dipview")
            list(APPEND _problems
                 "${_file}:${_number}: ${_line} (${_folder}/ includes only from itself and ${_list}/)")
          endif()
        endif()
      endforeach()
    endforeach()
  endforeach()
  if(_problems)
    string(REPLACE ";" "\n  " _text "${_problems}")
    message(FATAL_ERROR "Includes against cmake/IncludeRules.cmake:\n  ${_text}")
  endif()
endfunction()

# Run as a script: cmake -DSOURCE_DIR=... -P cmake/IncludeRules.cmake
if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  dipview_check_includes("${SOURCE_DIR}")
  message(STATUS "Every include follows cmake/IncludeRules.cmake")
endif()

# The page for browsers: the same sources built a second time with emscripten,
# in their own build tree (build/wasm), whose output is the static page in
# build/web. Rebuilt on every build; the second tree only recompiles what
# changed.
include(ExternalProject)
find_program(DIPVIEW_EMCMAKE emcmake REQUIRED)
find_program(DIPVIEW_NODE node REQUIRED)
# emscripten's JavaScript optimizer needs Debian's acorn module.
set(_web_env "${CMAKE_COMMAND}" -E env NODE_PATH=/usr/share/nodejs)
set(DIPVIEW_WEB_DIR "${PROJECT_BINARY_DIR}/web")
ExternalProject_Add(dipview_wasm
  SOURCE_DIR "${PROJECT_SOURCE_DIR}"
  BINARY_DIR "${PROJECT_BINARY_DIR}/wasm"
  CONFIGURE_COMMAND ${_web_env} "${DIPVIEW_EMCMAKE}" "${CMAKE_COMMAND}" -S "${PROJECT_SOURCE_DIR}"
                    -B "${PROJECT_BINARY_DIR}/wasm" -G Ninja -DCMAKE_BUILD_TYPE=Release
                    -DDIPVIEW_WERROR=${DIPVIEW_WERROR} "-DDIPVIEW_WEB_DIR=${DIPVIEW_WEB_DIR}"
  BUILD_COMMAND ${_web_env} "${CMAKE_COMMAND}" --build "${PROJECT_BINARY_DIR}/wasm"
  INSTALL_COMMAND ""
  BUILD_ALWAYS ON
  USES_TERMINAL_BUILD ON)

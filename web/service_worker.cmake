# Writes the page's service worker from sw.js.in: the list of the page's
# files, and a hash of their contents that names its cache, so that any
# change to the page installs a new worker.
#   cmake -DTEMPLATE=sw.js.in -DDIR=build/web -DFILES=a,b,... -P service_worker.cmake
string(REPLACE "," ";" FILES "${FILES}")
set(_hashes "")
set(_list "'./'")
foreach(_file IN LISTS FILES)
  file(SHA256 "${DIR}/${_file}" _hash)
  string(APPEND _hashes "${_hash}")
  string(APPEND _list ", '${_file}'")
endforeach()
string(SHA256 _all "${_hashes}")
string(SUBSTRING "${_all}" 0 16 DIPVIEW_PAGE_HASH)
set(DIPVIEW_PAGE_FILES "${_list}")
configure_file("${TEMPLATE}" "${DIR}/sw.js" @ONLY)

# Fails when a source under LAYER_DIR includes a header of a folder it must
# not see. Run as: cmake -DLAYER_DIR=<dir> -DALLOWED=<a/,b/> -P CheckLayer.cmake
# ALLOWED lists the path prefixes an include of ours may start with; an
# include without a folder is one of the source's own neighbours and always
# passes. Both forms are read: "..." always, <...> when it names one of our
# folders (OWN_FOLDERS), since the include path makes both reach our headers.
# A path holding ".." is refused whatever its prefix: it would slip past the
# rule ("mail/../controls/...").
cmake_policy(SET CMP0057 NEW)
set(OWN_FOLDERS classlib foundation mail controls shell app testkit bench tests)
string(REPLACE "," ";" ALLOWED "${ALLOWED}")
file(GLOB_RECURSE files ${LAYER_DIR}/*.h ${LAYER_DIR}/*.cpp)
set(bad "")
foreach(f ${files})
  file(STRINGS ${f} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<]")
  foreach(line ${lines})
    string(REGEX REPLACE "^[^\"<]*[\"<]([^\">]*)[\">].*$" "\\1" path "${line}")
    string(REGEX MATCH "[\"<]" form "${line}")
    string(REGEX MATCH "^[^/]*" top "${path}")
    if(path MATCHES "\\.\\.")
      list(APPEND bad "${f}: ${line}")
      continue()
    endif()
    if(NOT path MATCHES "/" OR (form STREQUAL "<" AND NOT top IN_LIST OWN_FOLDERS))
      continue()
    endif()
    set(ok FALSE)
    foreach(prefix ${ALLOWED})
      string(FIND "${path}" "${prefix}" at)
      if(at EQUAL 0)
        set(ok TRUE)
      endif()
    endforeach()
    if(NOT ok)
      list(APPEND bad "${f}: ${line}")
    endif()
  endforeach()
endforeach()
if(bad)
  list(JOIN bad "\n  " text)
  message(FATAL_ERROR "Includes across the layering:\n  ${text}")
endif()

# Turns the files of a res/ folder into a C++ source that registers each under
# its name (file name without extension, upper case) and a type by its
# extension (see platform/classes/Resources.h).
#   cmake -DOUTPUT=<file.cpp> -DFILES=<a.bmp;b.cur> -P EmbedResources.cmake

cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/EmbedCommon.cmake)

set(body "")
set(index 0)
foreach(file IN LISTS FILES)
  get_filename_component(name ${file} NAME_WE)
  get_filename_component(ext ${file} LAST_EXT)
  string(TOUPPER "${name}" name)
  string(TOLOWER "${ext}" ext)
  if(ext STREQUAL ".bmp")
    set(type "BITMAP")
  elseif(ext STREQUAL ".cur")
    set(type "CURSOR")
  else()
    message(FATAL_ERROR "${file}: resources are .bmp or .cur files")
  endif()
  file(READ ${file} hex HEX)
  if(hex STREQUAL "")
    message(FATAL_ERROR "${file}: empty resource")
  endif()
  embed_hex_bytes(bytes "${hex}")
  string(APPEND body "const unsigned char Resource${index}[] = {\n${bytes}};\n")
  string(APPEND body "const TResourceRegistrar Register${index}(\"${name}\", \"${type}\", Resource${index}, sizeof Resource${index});\n\n")
  math(EXPR index "${index} + 1")
endforeach()

set(content "// Generated from resource files by cmake/EmbedResources.cmake; do not edit.\n#include \"platform/classes/Resources.h\"\n\nnamespace {\n\n${body}}  // namespace\n")
embed_write_if_changed(${OUTPUT} "${content}")

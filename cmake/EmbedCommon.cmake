# What the embedding scripts (EmbedForms.cmake, EmbedResources.cmake) share.

# Sets OUT to HEX (as file(READ ... HEX) gives it) written as the items of a
# C array initialiser, sixteen bytes a line.
function(embed_hex_bytes OUT HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${HEX}")
  string(REPEAT "0x[0-9a-f][0-9a-f]," 16 line)
  string(REGEX REPLACE "(${line})" "\\1\n" bytes "${bytes}")
  set(${OUT} "${bytes}" PARENT_SCOPE)
endfunction()

# Writes CONTENT to FILE unless it already holds exactly that, so an unchanged
# source does not rebuild what depends on it.
function(embed_write_if_changed FILE CONTENT)
  if(EXISTS ${FILE})
    file(READ ${FILE} old)
    if(old STREQUAL CONTENT)
      return()
    endif()
  endif()
  file(WRITE ${FILE} "${CONTENT}")
endfunction()

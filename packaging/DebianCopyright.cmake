# Writes the Debian copyright file (machine-readable format 1.0) from the
# project's LICENSE, so the licence text is kept in one place.
# Run as: cmake -DLICENSE=... -DOUTPUT=... -P DebianCopyright.cmake
cmake_policy(SET CMP0007 NEW)
foreach(var LICENSE OUTPUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "DebianCopyright.cmake: ${var} is not set")
  endif()
endforeach()

file(STRINGS ${LICENSE} lines)
list(GET lines 0 title)
if(NOT title STREQUAL "MIT License")
  message(FATAL_ERROR "${LICENSE}: expected the MIT licence, found '${title}'")
endif()
set(copyright "")
set(body "")
set(in_body OFF)
foreach(line IN LISTS lines)
  if(line MATCHES "^Copyright \\(c\\) (.+)$")
    set(copyright "${CMAKE_MATCH_1}")
    set(in_body ON)
  elseif(in_body)
    # Continuation lines of a field are indented; an empty line becomes " .".
    if(line STREQUAL "")
      string(APPEND body " .\n")
    else()
      string(APPEND body " ${line}\n")
    endif()
  endif()
endforeach()
if(copyright STREQUAL "")
  message(FATAL_ERROR "${LICENSE}: no copyright line")
endif()
string(REGEX REPLACE "^ \\.\n" "" body "${body}")

# Every library is linked from the system; none is bundled.
file(WRITE ${OUTPUT} "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: Pictorel
Upstream-Contact: Pictorel developers <maintainers@pictorel.org>
Source: https://pictorel.org/

Files: *
Copyright: ${copyright}
License: Expat

License: Expat
${body}")

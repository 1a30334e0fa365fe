# Writes the manual page of pictorel-cli from its own --help, so that the two
# never disagree. Run as: cmake -DPROGRAM=... -DOUTPUT=... -DVERSION=... -P CliManPage.cmake
cmake_policy(SET CMP0007 NEW)
foreach(var PROGRAM OUTPUT VERSION)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "CliManPage.cmake: ${var} is not set")
  endif()
endforeach()

execute_process(COMMAND ${PROGRAM} --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} --help failed (${status})")
endif()

# Text for roff: backslashes and hyphens escaped, no line starting with a dot.
function(roff_text out text)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REPLACE "-" "\\-" text "${text}")
  string(REGEX REPLACE "^([.'])" "\\\\&\\1" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# After "Commands:", --help lists each command as "  NAME USAGE", then
# indented lines: the usage's continuation, and last the summary.
# Semicolons are kept out of the way of CMake's list splitting.
set(commands "")
set(count 0)
set(name "")
macro(flush_command)
  if(NOT name STREQUAL "")
    list(POP_BACK indented summary)
    foreach(more IN LISTS indented)
      string(APPEND usage " ${more}")
    endforeach()
    roff_text(name "${name}")
    roff_text(usage "${usage}")
    roff_text(summary "${summary}")
    string(APPEND commands ".TP\n\\fB${name}\\fR \\fI${usage}\\fR\n${summary}\n")
    math(EXPR count "${count} + 1")
  endif()
  set(indented "")
endmacro()

string(REPLACE ";" "<semicolon>" help "${help}")
string(REPLACE "\n" ";" lines "${help}")
set(listing OFF)
foreach(line IN LISTS lines)
  string(REPLACE "<semicolon>" ";" line "${line}")
  if(line STREQUAL "Commands:")
    set(listing ON)
  elseif(listing AND line MATCHES "^      (.+)$")
    string(REPLACE ";" "<semicolon>" more "${CMAKE_MATCH_1}")
    list(APPEND indented "${more}")
  elseif(listing AND line MATCHES "^  ([a-z]+) ?(.*)$")
    flush_command()
    set(name "${CMAKE_MATCH_1}")
    set(usage "${CMAKE_MATCH_2}")
  endif()
endforeach()
flush_command()
string(REPLACE "<semicolon>" ";" commands "${commands}")
if(count EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} --help lists no command")
endif()

file(WRITE ${OUTPUT} ".TH PICTOREL\\-CLI 1 \"December 2026\" \"Pictorel ${VERSION}\" \"User Commands\"
.SH NAME
pictorel\\-cli \\- shrink, edit and convert photographs on the command line
.SH SYNOPSIS
.B pictorel\\-cli
.I COMMAND
.RI [ ARGS ...]
.br
.B pictorel\\-cli
.BR \\-\\-help \" | \" \\-\\-version
.SH DESCRIPTION
.B pictorel\\-cli
runs the core of
.BR pictorel (1)
without a window: the automatic run, the editor's operations and the
picture readers, with the same results as the desktop program.
.SH COMMANDS
${commands}.SH OPTIONS
.TP
.BR \\-h \", \" \\-\\-help
Print the list of commands and exit.
.TP
.B \\-\\-version
Print the version and exit.
.SH EXIT STATUS
0 on success, 1 when a command fails, 2 for a usage error.
.SH SEE ALSO
.BR pictorel (1)
.SH AUTHORS
Pictorel developers <maintainers@pictorel.org>, https://pictorel.org/
")

# cmake -DPROGRAM=path -DSUMMARY=text -DVERSION=x.y.z -DDATE_EPOCH=seconds -DOUTPUT=name.1.gz
#       [-DWITH_COMMANDS=ON] -P MakeManPage.cmake
# A program's manual page made by help2man from its --help, compressed as Debian ships manual
# pages. With WITH_COMMANDS, the page also holds the --help of every command that the program's
# own --help lists under "Commands:" (srreport's subcommands), so that one page documents them all.
# The page's date is DATE_EPOCH (the release's), so that the same sources give the same page.
get_filename_component(program_dir ${PROGRAM} DIRECTORY)
get_filename_component(program_name ${PROGRAM} NAME)
set(work ${OUTPUT}.parts)
file(MAKE_DIRECTORY ${work})

# Run by name from a PATH that finds the build's program first, so that its usage line names the
# program as a user types it, not the build folder.
set(ENV{PATH} "${program_dir}:$ENV{PATH}")
set(ENV{SOURCE_DATE_EPOCH} ${DATE_EPOCH})
set(ENV{QT_QPA_PLATFORM} offscreen)
if(NOT DEFINED ENV{XDG_RUNTIME_DIR})
  set(ENV{XDG_RUNTIME_DIR} ${work})
endif()

function(help_of out)
  execute_process(COMMAND ${program_name} ${ARGN} --help OUTPUT_VARIABLE text RESULT_VARIABLE status ERROR_QUIET)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${program_name} ${ARGN} --help failed (${status})")
  endif()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# roff takes a line that starts with a dot or an apostrophe as a request, and a backslash as an escape.
function(as_roff out text)
  string(REPLACE "\\" "\\e" text "\n${text}")
  string(REPLACE "\n." "\n\\&." text "${text}")
  string(REPLACE "\n'" "\n\\&'" text "${text}")
  string(SUBSTRING "${text}" 1 -1 text)
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

set(include_text "")
help_of(help)
string(REGEX MATCH "^[Uu]sage: +[^\n]*" usage "${help}")
if(usage MATCHES "^usage: +${program_name} +(.*)$")
  # help2man knows "Usage:" only; a lower-case usage line becomes the synopsis here.
  as_roff(arguments "${CMAKE_MATCH_1}")
  string(APPEND include_text "[SYNOPSIS]\n.B ${program_name}\n${arguments}\n\n")
endif()
if(WITH_COMMANDS)
  string(REGEX MATCH "\nCommands:\n(  [^\n]+\n)+" listing "${help}")
  string(REGEX MATCHALL "\n  [a-z][a-z-]*" commands "${listing}")
  if(NOT commands)
    message(FATAL_ERROR "${program_name} --help lists no commands")
  endif()
  string(APPEND include_text "[COMMANDS]\n")
  foreach(command IN LISTS commands)
    string(STRIP "${command}" command)
    help_of(command_help ${command})
    as_roff(command_help "${command_help}")
    string(APPEND include_text ".SS ${command}\n.nf\n${command_help}.fi\n")
  endforeach()
endif()
set(include_option "")
if(include_text)
  file(WRITE ${work}/include.h2m "${include_text}")
  set(include_option --include=${work}/include.h2m)
endif()

execute_process(COMMAND help2man --no-info --version-string=${VERSION} --name=${SUMMARY} ${include_option}
    --output=${work}/${program_name}.1 ${program_name}
  RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "help2man ${program_name} failed: ${errors}")
endif()
execute_process(COMMAND gzip -9n -c ${work}/${program_name}.1 OUTPUT_FILE ${OUTPUT} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "gzip ${program_name}.1 failed")
endif()
file(REMOVE_RECURSE ${work})

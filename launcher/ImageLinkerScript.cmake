# Writes the launcher's linker script: the linker's own default script (for a
# non-PIE executable on Linux, the MinGW linker's on Windows), with the image's
# section put first inside the .data output section (before the .data of the
# C runtime and everything else), so that the image's first byte is the first
# byte of .data.
function(tessaly_write_image_linker_script out)
  execute_process(COMMAND ${CMAKE_LINKER} --verbose
                  OUTPUT_VARIABLE verbose RESULT_VARIABLE rc ERROR_QUIET)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "launcher: '${CMAKE_LINKER} --verbose' failed; cannot make the launcher's linker script")
  endif()
  set(rule "==================================================")
  string(FIND "${verbose}" "${rule}" first)
  string(FIND "${verbose}" "${rule}" last REVERSE)
  if(first EQUAL -1 OR last LESS_EQUAL first)
    message(FATAL_ERROR "launcher: no default linker script in '${CMAKE_LINKER} --verbose'")
  endif()
  string(LENGTH "${rule}" rule_length)
  math(EXPR begin "${first} + ${rule_length}")
  math(EXPR length "${last} - ${begin}")
  string(SUBSTRING "${verbose}" ${begin} ${length} script)

  # Where .data opens; MinGW's script opens it with its alignment and the
  # __data_start__ symbol, which stays in front of the image.
  if(WIN32)
    set(data_opens "(\n[ \t]*\\.data[ \t]+BLOCK\\(__section_alignment__\\)[ \t]*:[ \t]*\n[ \t]*{[ \t]*\n[ \t]*__data_start__[ \t]*=[ \t]*\\.[ \t]*;[ \t]*\n)")
  else()
    set(data_opens "(\n[ \t]*\\.data[ \t]*:[ \t]*\n[ \t]*{[ \t]*\n)")
  endif()
  string(REGEX REPLACE "${data_opens}" "\\1    KEEP(*(.tessaly_image))\n" edited "${script}")
  string(REGEX MATCHALL "KEEP\\(\\*\\(\\.tessaly_image\\)\\)" placed "${edited}")
  list(LENGTH placed count)
  if(NOT count EQUAL 1)
    message(FATAL_ERROR "launcher: the .data output section of the default linker script was not found "
                        "(or found more than once); cannot place the program image")
  endif()
  # Written only when it changes, so that a new configure does not relink.
  file(WRITE ${out}.new "/* Made by launcher/ImageLinkerScript.cmake from '${CMAKE_LINKER} --verbose'. */\n${edited}")
  configure_file(${out}.new ${out} COPYONLY)
endfunction()

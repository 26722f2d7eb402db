# Run at install time (from cmake/Install.cmake): the pieces that name the
# final prefix — the bin/ symlink, the desktop entry and the record of the
# installation directory. Expects TESSALY_SUMMARY, TESSALY_AUTHOR,
# PROJECT_VERSION, desktop_template, install_dir and runtime_dir.

get_filename_component(prefix "${CMAKE_INSTALL_PREFIX}" ABSOLUTE)
set(root "$ENV{DESTDIR}${prefix}")

set(link "${root}/bin/tessaly")
message(STATUS "Installing: ${link}")
file(MAKE_DIRECTORY "${root}/bin")
file(REMOVE "${link}")
file(CREATE_LINK "../${install_dir}/tessaly" "${link}" SYMBOLIC)

# The Exec value: quoted when the path holds a character that the desktop
# entry rules reserve; inside the quotes " ` $ and \ take a backslash. Then
# the value itself escapes \ as \\ and % as %%.
set(exec "${prefix}/bin/tessaly")
set(needs_quotes OFF)
foreach(c " " "\t" "\"" "'" "\\" ">" "<" "~" "|" "&" ";" "$" "*" "?" "#" "(" ")" "`")
  string(FIND "${exec}" "${c}" at)
  if(NOT at EQUAL -1)
    set(needs_quotes ON)
  endif()
endforeach()
if(needs_quotes)
  string(REPLACE "\\" "\\\\" exec "${exec}")
  string(REPLACE "\"" "\\\"" exec "${exec}")
  string(REPLACE "`" "\\`" exec "${exec}")
  string(REPLACE "$" "\\$" exec "${exec}")
  set(exec "\"${exec}\"")
endif()
string(REPLACE "\\" "\\\\" exec "${exec}")
string(REPLACE "%" "%%" exec "${exec}")
set(TESSALY_EXEC "${exec}")

set(entry "${root}/share/applications/tessaly.desktop")
message(STATUS "Installing: ${entry}")
configure_file("${desktop_template}" "${entry}" @ONLY)

set(record "${root}/share/tessaly/Install")
message(STATUS "Installing: ${record}")
file(WRITE "${record}" "Path=${prefix}/${runtime_dir}/\n")

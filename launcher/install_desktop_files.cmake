# Run at install time (from cmake/Install.cmake): the pieces that name the
# final prefix — the desktop entry and the record of the installation
# directory. They are written to a staging folder of this install alone and
# installed from there with file(INSTALL), which honours DESTDIR and lists them
# in the install manifest. Expects TESSALY_SUMMARY, TESSALY_AUTHOR,
# PROJECT_VERSION, desktop_template, staging_parent and install_dir.

get_filename_component(prefix "${CMAKE_INSTALL_PREFIX}" ABSOLUTE)

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

# Installs running side by side (a package being made while the tests
# install) each get their own staging folder.
string(RANDOM LENGTH 12 tag)
set(staging "${staging_parent}/${tag}")
file(REMOVE_RECURSE "${staging}")
configure_file("${desktop_template}" "${staging}/tessaly.desktop" @ONLY)
file(WRITE "${staging}/Install" "Path=${prefix}/${install_dir}/\n")

file(INSTALL DESTINATION "${prefix}/share/applications" TYPE FILE FILES "${staging}/tessaly.desktop")
file(INSTALL DESTINATION "${prefix}/share/tessaly" TYPE FILE FILES "${staging}/Install")
file(REMOVE_RECURSE "${staging}")

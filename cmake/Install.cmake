# Installing Tessaly like a desktop program (the Debian package is made from
# the same rules, see packaging/):
#   P/lib/tessaly/            tessaly, tessaly-error-dialog, vexrun.vxr and the
#                             five support libraries: they find each other
#                             here. It is also the recorded installation
#                             directory: vexrun.vxe is a link to vexrun.vxr.
#   P/bin/tessaly             a symlink to the executable (the launcher reads
#                             /proc/self/exe, which names the real file)
#   P/bin/tessaly-retime      the command-line re-timer
#   P/share/applications/tessaly.desktop
#   P/share/icons/hicolor/48x48/apps/tessaly.png
#   P/share/tessaly/Install   the record that names P/lib/tessaly/; copied to
#                             ~/.config/Norvex/Ovra/Install it lets a copy of
#                             the executable find the installed library
# Every installed path, links and files made at install time included, is
# listed in install_manifest.txt.
# Included from launcher/CMakeLists.txt.

set(TESSALY_INSTALL_DIR lib/tessaly)
set(TESSALY_KERNEL_TARGET vexrun)
set(TESSALY_SUPPORT_TARGETS plintor dravolt ulmix stylon ravline synvox)

install(TARGETS tessaly tessaly-error-dialog RUNTIME DESTINATION ${TESSALY_INSTALL_DIR})
if(TARGET tessaly-retime)
  install(TARGETS tessaly-retime RUNTIME DESTINATION bin)
endif()

# The links do not depend on the prefix: they are made here, relative, and
# installed as links.
set(links ${CMAKE_CURRENT_BINARY_DIR}/install_links)
file(MAKE_DIRECTORY ${links}/bin ${links}/lib)
file(CREATE_LINK ../${TESSALY_INSTALL_DIR}/tessaly ${links}/bin/tessaly SYMBOLIC)
install(FILES ${links}/bin/tessaly DESTINATION bin)

set(TESSALY_INSTALL_HAS_KERNEL OFF)
if(TARGET ${TESSALY_KERNEL_TARGET})
  set(TESSALY_INSTALL_HAS_KERNEL ON)
  # Installed under its own file name (so that an install can strip it), which
  # must be the name the launcher looks for.
  get_target_property(kernel_name ${TESSALY_KERNEL_TARGET} OUTPUT_NAME)
  get_target_property(kernel_suffix ${TESSALY_KERNEL_TARGET} SUFFIX)
  if(NOT "${kernel_name}${kernel_suffix}" STREQUAL "vexrun.vxr")
    message(FATAL_ERROR "launcher: the kernel library builds as '${kernel_name}${kernel_suffix}', not vexrun.vxr")
  endif()
  install(TARGETS ${TESSALY_KERNEL_TARGET} LIBRARY DESTINATION ${TESSALY_INSTALL_DIR})
  # The kernel library finds the support libraries beside the file the link
  # resolves to, so one copy of each serves both names.
  file(CREATE_LINK vexrun.vxr ${links}/lib/vexrun.vxe SYMBOLIC)
  install(FILES ${links}/lib/vexrun.vxe DESTINATION ${TESSALY_INSTALL_DIR})
else()
  message(STATUS "launcher: no kernel library target '${TESSALY_KERNEL_TARGET}'; it is not installed")
endif()
foreach(t ${TESSALY_SUPPORT_TARGETS})
  if(TARGET ${t})
    install(TARGETS ${t} LIBRARY DESTINATION ${TESSALY_INSTALL_DIR})
  else()
    message(STATUS "launcher: no support library target '${t}'; it is not installed")
  endif()
endforeach()

# The icon: the window icon's image as a 48x48 PNG, made at build time.
set(TESSALY_ICON_TOOL tessaly-icon-png)
if(TARGET ${TESSALY_ICON_TOOL})
  set(icon_png ${CMAKE_CURRENT_BINARY_DIR}/tessaly.png)
  add_custom_command(OUTPUT ${icon_png}
                     COMMAND ${TESSALY_ICON_TOOL} ${icon_png}
                     DEPENDS ${TESSALY_ICON_TOOL}
                     COMMENT "Writing the 48x48 icon")
  add_custom_target(tessaly_icon_png ALL DEPENDS ${icon_png})
  install(FILES ${icon_png} DESTINATION share/icons/hicolor/48x48/apps)
else()
  message(STATUS "launcher: no icon tool '${TESSALY_ICON_TOOL}'; the icon is not installed")
endif()

# The desktop entry and the record name the final prefix, known only when
# installing.
install(CODE "
  set(TESSALY_SUMMARY [[${TESSALY_SUMMARY}]])
  set(TESSALY_AUTHOR [[${TESSALY_AUTHOR}]])
  set(PROJECT_VERSION [[${PROJECT_VERSION}]])
  set(desktop_template [[${PROJECT_SOURCE_DIR}/launcher/tessaly.desktop.in]])
  set(staging_parent [[${CMAKE_CURRENT_BINARY_DIR}/install_staging]])
  set(install_dir [[${TESSALY_INSTALL_DIR}]])
  include([[${PROJECT_SOURCE_DIR}/launcher/install_desktop_files.cmake]])
")

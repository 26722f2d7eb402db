# Installing Tessaly like a desktop program:
#   P/lib/tessaly/            tessaly, tessaly-error-dialog, vexrun.vxr and the
#                             five support libraries: they find each other here
#   P/lib/tessaly/runtime/    the kernel library as vexrun.vxe with the support
#                             libraries: the recorded installation directory
#   P/bin/tessaly             a symlink to the executable (the launcher reads
#                             /proc/self/exe, which names the real file)
#   P/share/applications/tessaly.desktop
#   P/share/icons/hicolor/48x48/apps/tessaly.png
#   P/share/tessaly/Install   the record that names P/lib/tessaly/runtime/;
#                             copied to ~/.config/Norvex/Ovra/Install it lets a
#                             copy of the executable find the installed library
# Included from launcher/CMakeLists.txt.

set(TESSALY_INSTALL_DIR lib/tessaly)
set(TESSALY_INSTALL_RUNTIME_DIR lib/tessaly/runtime)
set(TESSALY_KERNEL_TARGET vexrun)
set(TESSALY_SUPPORT_TARGETS plintor dravolt ulmix stylon ravline)

install(TARGETS tessaly tessaly-error-dialog RUNTIME DESTINATION ${TESSALY_INSTALL_DIR})

set(TESSALY_INSTALL_HAS_KERNEL OFF)
if(TARGET ${TESSALY_KERNEL_TARGET})
  set(TESSALY_INSTALL_HAS_KERNEL ON)
  install(PROGRAMS $<TARGET_FILE:${TESSALY_KERNEL_TARGET}> DESTINATION ${TESSALY_INSTALL_DIR} RENAME vexrun.vxr)
  install(PROGRAMS $<TARGET_FILE:${TESSALY_KERNEL_TARGET}> DESTINATION ${TESSALY_INSTALL_RUNTIME_DIR}
          RENAME vexrun.vxe)
else()
  message(STATUS "launcher: no kernel library target '${TESSALY_KERNEL_TARGET}'; it is not installed")
endif()
foreach(t ${TESSALY_SUPPORT_TARGETS})
  if(TARGET ${t})
    install(PROGRAMS $<TARGET_FILE:${t}> DESTINATION ${TESSALY_INSTALL_DIR})
    install(PROGRAMS $<TARGET_FILE:${t}> DESTINATION ${TESSALY_INSTALL_RUNTIME_DIR})
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

# The symlink, the desktop entry and the record name the final prefix, known
# only when installing.
install(CODE "
  set(TESSALY_SUMMARY [[${TESSALY_SUMMARY}]])
  set(TESSALY_AUTHOR [[${TESSALY_AUTHOR}]])
  set(PROJECT_VERSION [[${PROJECT_VERSION}]])
  set(desktop_template [[${PROJECT_SOURCE_DIR}/launcher/tessaly.desktop.in]])
  set(install_dir [[${TESSALY_INSTALL_DIR}]])
  set(runtime_dir [[${TESSALY_INSTALL_RUNTIME_DIR}]])
  include([[${PROJECT_SOURCE_DIR}/launcher/install_desktop_files.cmake]])
")

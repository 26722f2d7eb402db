# tessaly_add_support_library(TARGET OUTPUT_NAME SOURCE... [LIBS ...])
# A support library "<OUTPUT_NAME>.vxl" (a shared object, on Windows a DLL) in
# build/bin next to vexrun.vxr, exporting only vexSupportLibrary. The target
# `vexrun_runtime` builds the kernel library with all of them.
include_guard(GLOBAL)

if(NOT TARGET vexrun_runtime)
  add_custom_target(vexrun_runtime)
endif()

function(tessaly_add_support_library target output)
  cmake_parse_arguments(L "" "" "LIBS" ${ARGN})
  add_library(${target} MODULE ${L_UNPARSED_ARGUMENTS})
  target_link_libraries(${target} PRIVATE tessaly_host ${L_LIBS})
  set_target_properties(${target} PROPERTIES
    PREFIX "" SUFFIX ".vxl" OUTPUT_NAME ${output}
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin
    CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
  # A DLL on Windows: it exports only what is marked VEXRUN_EXPORT.
  target_link_options(${target} PRIVATE -Wl,--no-undefined -Wl,--exclude-libs,ALL)
  if(NOT WIN32)
    # Every library names the C library it runs on, even one that calls none
    # of it directly (Debian's package checks require that of a shared object).
    target_link_libraries(${target} PRIVATE -Wl,--push-state,--no-as-needed,-lc,--pop-state)
  endif()
  add_dependencies(vexrun_runtime ${target})
endfunction()

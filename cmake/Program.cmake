# The program-side code (support routines, engine, handlers) is compiled twice:
# freestanding into the one relocatable object that the image builder links
# into the image, and hosted into a static library for the tests and tools.

set(TESSALY_PROGRAM_OBJECT ${CMAKE_BINARY_DIR}/program.o)
# The Windows build takes the Linux build's image (cmake/WindowsBuild.cmake).
if(NOT WIN32)
  set(TESSALY_IMAGE_FILE ${CMAKE_BINARY_DIR}/tessaly.img)
endif()

# Sources of both builds.
function(tessaly_program_sources)
  foreach(f ${ARGN})
    get_filename_component(abs ${f} ABSOLUTE)
    set_property(GLOBAL APPEND PROPERTY TESSALY_PROGRAM_SOURCES ${abs})
  endforeach()
endfunction()

# Sources of the hosted build only (the slot calls through a table, ...).
function(tessaly_program_hosted_sources)
  foreach(f ${ARGN})
    get_filename_component(abs ${f} ABSOLUTE)
    set_property(GLOBAL APPEND PROPERTY TESSALY_PROGRAM_HOSTED_SOURCES ${abs})
  endforeach()
endfunction()

# Sources of the freestanding build only (memcpy and friends, ...).
function(tessaly_program_freestanding_sources)
  foreach(f ${ARGN})
    get_filename_component(abs ${f} ABSOLUTE)
    set_property(GLOBAL APPEND PROPERTY TESSALY_PROGRAM_FREESTANDING_SOURCES ${abs})
  endforeach()
endfunction()

set(TESSALY_FREESTANDING_FLAGS
    -DTESSALY_FREESTANDING=1 -ffreestanding -fno-exceptions -fno-rtti -fno-pic -fno-pie
    -mcmodel=small -fno-stack-protector -fno-asynchronous-unwind-tables -fno-unwind-tables
    -fno-jump-tables -fno-threadsafe-statics -fno-common -fcf-protection=none
    -fno-tree-loop-distribute-patterns -fno-tree-vectorize -fno-tree-slp-vectorize
    -fno-tree-switch-conversion -msse2 -mno-avx -mno-red-zone -O2)

function(tessaly_make_program_targets)
  get_property(common GLOBAL PROPERTY TESSALY_PROGRAM_SOURCES)
  get_property(hosted GLOBAL PROPERTY TESSALY_PROGRAM_HOSTED_SOURCES)
  get_property(freestanding GLOBAL PROPERTY TESSALY_PROGRAM_FREESTANDING_SOURCES)

  add_library(tessaly_program_hosted STATIC ${common} ${hosted})
  target_link_libraries(tessaly_program_hosted PUBLIC tessaly_host)
  target_link_libraries(tessaly_program_hosted PUBLIC tessaly_const_table)
  set_target_properties(tessaly_program_hosted PROPERTIES POSITION_INDEPENDENT_CODE ON)

  # The image is made by the Linux build only.
  if(NOT TESSALY_HOST_TESTS_ONLY AND NOT WIN32)
    add_library(tessaly_program_fs OBJECT ${common} ${freestanding})
    target_include_directories(tessaly_program_fs PRIVATE ${PROJECT_SOURCE_DIR})
    target_link_libraries(tessaly_program_fs PRIVATE tessaly_warnings)
    target_compile_options(tessaly_program_fs PRIVATE ${TESSALY_FREESTANDING_FLAGS})
    set_target_properties(tessaly_program_fs PROPERTIES POSITION_INDEPENDENT_CODE OFF)
    # One relocatable object for the image builder.
    add_custom_command(
      OUTPUT ${TESSALY_PROGRAM_OBJECT}
      COMMAND ${CMAKE_LINKER} -r -o ${TESSALY_PROGRAM_OBJECT} $<TARGET_OBJECTS:tessaly_program_fs>
      DEPENDS tessaly_program_fs $<TARGET_OBJECTS:tessaly_program_fs>
      COMMAND_EXPAND_LISTS
      COMMENT "Linking the program object")
    add_custom_target(tessaly_program_object ALL DEPENDS ${TESSALY_PROGRAM_OBJECT})
  endif()
endfunction()

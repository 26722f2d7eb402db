# tessaly_add_test(NAME SOURCES a.cpp ... [LIBS ...] [LABELS ...])
# One GoogleTest binary per call, registered with ctest under its name.
function(tessaly_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE tessaly_host GTest::gtest GTest::gtest_main GTest::gmock ${T_LIBS})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  # Test code itself compiles quickly at -O1 without debug info; the code it
  # tests keeps the build's own flags.
  target_compile_options(${name} PRIVATE $<$<CONFIG:RelWithDebInfo,Release>:-O1 -g0>)
  add_test(NAME ${name} COMMAND ${name})
  if(WIN32)
    # Under Wine, in the session the fixture starts; never left hanging. The
    # build folder as a Windows path.
    tessaly_windows_path(build_dir ${CMAKE_BINARY_DIR})
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "TESSALY_BUILD_DIR=${build_dir}"
                                            FIXTURES_REQUIRED wine TIMEOUT 180)
  else()
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;TESSALY_BUILD_DIR=${CMAKE_BINARY_DIR}")
  endif()
  if(T_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}")
  endif()
endfunction()

# The real subtitles the tests read, kept outside the repository: the shared
# folder beside the checkout (../shared/subs), found once for every test.
set(TESSALY_REAL_SUBTITLES "" CACHE PATH "the shared folder of real subtitles")
if(NOT TESSALY_REAL_SUBTITLES)
  foreach(candidate "${CMAKE_SOURCE_DIR}/../shared/subs" "/work/shared/subs")
    if(EXISTS "${candidate}/SOURCES.md" AND NOT TESSALY_REAL_SUBTITLES)
      get_filename_component(TESSALY_REAL_SUBTITLES "${candidate}" ABSOLUTE)
    endif()
  endforeach()
endif()
if(NOT TESSALY_REAL_SUBTITLES)
  message(WARNING "No real subtitles in ../shared/subs: the tests that read them will fail (set TESSALY_REAL_SUBTITLES)")
endif()

# The Windows x64 build, cross-built with MinGW-w64 (cmake/mingw-w64-x86_64.cmake)
# into its own folder: GoogleTest from source, the program image of the Linux
# build, and Wine to run the tests. Included by the top CMakeLists.txt.

# The image is made once, by the Linux build, and embedded here byte for byte.
set(TESSALY_IMAGE_FILE "" CACHE FILEPATH "The Linux build's tessaly.img, which the Windows build embeds")
if(NOT TESSALY_IMAGE_FILE OR NOT EXISTS "${TESSALY_IMAGE_FILE}")
  message(FATAL_ERROR "Windows build: TESSALY_IMAGE_FILE must name the Linux build's tessaly.img "
                      "(build the Linux build first); it is '${TESSALY_IMAGE_FILE}'")
endif()
# Nothing to make: the target only stands for the image for the launcher.
add_custom_target(tessaly_image_file)

# GoogleTest has no MinGW package: it is built here from Debian's sources.
set(TESSALY_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources (Debian's googletest package)")
if(NOT EXISTS ${TESSALY_GOOGLETEST_SOURCE}/CMakeLists.txt)
  message(FATAL_ERROR "Windows build: no GoogleTest sources in ${TESSALY_GOOGLETEST_SOURCE}")
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${TESSALY_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
foreach(t gtest gtest_main gmock gmock_main)
  if(NOT TARGET GTest::${t})
    add_library(GTest::${t} ALIAS ${t})
  endif()
endforeach()

# A path of this machine as Wine shows it to Windows programs (drive Z: is
# the root directory; forward slashes keep it a plain C string), for paths
# compiled into the tests.
function(tessaly_windows_path out path)
  set(${out} "Z:${path}" PARENT_SCOPE)
endfunction()

# Every test runs under Wine (wine-run, the crosscompiling emulator), inside
# one Wine session that ctest starts first and ends last (the fixture
# "wine"): a headless X server and a Wine prefix inside this build folder.
set(TESSALY_WINE_SESSION_SCRIPT ${PROJECT_SOURCE_DIR}/cmake/windows/wine-session)
set(TESSALY_WINE_SESSION_DIR ${CMAKE_BINARY_DIR}/wine-session)
set(TESSALY_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
configure_file(${PROJECT_SOURCE_DIR}/cmake/windows/wine-run.in ${CMAKE_BINARY_DIR}/wine-run @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)

add_test(NAME wine_session_start COMMAND ${TESSALY_WINE_SESSION_SCRIPT} start ${CMAKE_BINARY_DIR})
set_tests_properties(wine_session_start PROPERTIES FIXTURES_SETUP wine TIMEOUT 300)
add_test(NAME wine_session_stop COMMAND ${TESSALY_WINE_SESSION_SCRIPT} stop ${CMAKE_BINARY_DIR})
set_tests_properties(wine_session_stop PROPERTIES FIXTURES_CLEANUP wine TIMEOUT 60)

# nlohmann-json is headers only: Debian's copy for the host serves the cross
# build too, through a folder holding just those headers (all of /usr/include
# would hide MinGW's own).
find_path(TESSALY_HOST_JSON_HEADERS nlohmann/json.hpp PATHS /usr/include NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
if(NOT TESSALY_HOST_JSON_HEADERS)
  message(FATAL_ERROR "nlohmann/json.hpp not found in /usr/include: install nlohmann-json3-dev")
endif()
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/host-headers)
file(CREATE_LINK ${TESSALY_HOST_JSON_HEADERS}/nlohmann ${CMAKE_BINARY_DIR}/host-headers/nlohmann SYMBOLIC)
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
target_include_directories(nlohmann_json::nlohmann_json INTERFACE ${CMAKE_BINARY_DIR}/host-headers)

# What the tool says about itself without being started: the ELF package note
# of the executable, the desktop entry, the AppStream metadata and the Debian
# package all take these.

set(TESSALY_PACKAGE_NAME tessaly)
set(TESSALY_SUMMARY "Re-times SRT subtitles to fit another release of a film")
set(TESSALY_AUTHOR "The Tessaly developers")
# Where users and packagers reach the project. Cache entries, so that a
# packager sets the real addresses without editing the sources.
set(TESSALY_HOMEPAGE "https://tessaly.example.org" CACHE STRING "The project's home page")
set(TESSALY_MAINTAINER "The Tessaly developers <tessaly@example.org>" CACHE STRING
    "The Debian package's maintainer: Name <address>")
set(TESSALY_SCREENSHOT_URL "${TESSALY_HOMEPAGE}/screenshots/main-window.png" CACHE STRING
    "The main window's picture named by the AppStream metadata")

# The product is built for x86-64 Linux only; Debian calls that amd64.
if(NOT CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64)$")
  message(FATAL_ERROR "Tessaly is built for x86-64 only, not ${CMAKE_SYSTEM_PROCESSOR}")
endif()
set(TESSALY_DEB_ARCHITECTURE amd64)

# These texts go into JSON, XML, desktop entries and assembler strings as they
# are, so none holds a character that any of those would need to escape.
foreach(text TESSALY_SUMMARY TESSALY_AUTHOR TESSALY_HOMEPAGE TESSALY_SCREENSHOT_URL)
  if("${${text}}" STREQUAL "" OR "${${text}}" MATCHES "[\n\r\t\"\\\\<>&%]")
    message(FATAL_ERROR "${text} must be a non-empty line without \", \\, <, >, & or %: '${${text}}'")
  endif()
endforeach()
if(NOT TESSALY_MAINTAINER MATCHES "^[^<>\n]+ <[^<>@ \n]+@[^<>@ \n]+>$")
  message(FATAL_ERROR "TESSALY_MAINTAINER must read 'Name <address>', not '${TESSALY_MAINTAINER}'")
endif()

# The AppStream component id: reverse-DNS of the home page's domain; it names
# the metainfo file and must never change once published.
set(TESSALY_APPSTREAM_ID org.example.tessaly.Tessaly)
if(NOT TESSALY_APPSTREAM_ID MATCHES "^[a-z][a-z0-9]*(\\.[A-Za-z][A-Za-z0-9_]*)+$")
  message(FATAL_ERROR "TESSALY_APPSTREAM_ID is not a reverse-DNS id: '${TESSALY_APPSTREAM_ID}'")
endif()

# The JSON payload of the executable's package note: what package the file
# belongs to (for the distribution it is built on, read from os-release when
# there is one), its version, description and author, on one line.
function(tessaly_package_note_json out)
  set(fields
      type deb
      name ${TESSALY_PACKAGE_NAME}
      version ${PROJECT_VERSION}
      architecture ${TESSALY_DEB_ARCHITECTURE})
  foreach(release /etc/os-release /usr/lib/os-release)
    if(EXISTS ${release})
      file(STRINGS ${release} lines REGEX "^(ID|VERSION_ID)=")
      foreach(line IN LISTS lines)
        string(REGEX REPLACE "^([A-Z_]+)=\"?([^\"]*)\"?$" "\\1;\\2" pair "${line}")
        list(GET pair 0 key)
        list(GET pair 1 value)
        # Only plain words go into the note.
        if(value MATCHES "^[A-Za-z0-9._~+-]+$")
          set(release_${key} ${value})
        endif()
      endforeach()
      break()
    endif()
  endforeach()
  if(DEFINED release_ID)
    list(APPEND fields os ${release_ID})
  endif()
  if(DEFINED release_VERSION_ID)
    list(APPEND fields osVersion ${release_VERSION_ID})
  endif()
  # Description and author are checked in cmake/About.cmake: nothing in them
  # needs escaping in JSON.
  set(json "")
  set(pairs ${fields} "description" "${TESSALY_SUMMARY}" "author" "${TESSALY_AUTHOR}")
  list(LENGTH pairs n)
  math(EXPR last "${n} - 1")
  foreach(i RANGE 0 ${last} 2)
    math(EXPR j "${i} + 1")
    list(GET pairs ${i} key)
    list(GET pairs ${j} value)
    if(json)
      string(APPEND json ",")
    endif()
    string(APPEND json "\"${key}\":\"${value}\"")
  endforeach()
  set(${out} "{${json}}" PARENT_SCOPE)
endfunction()

# Reads resources/PictureList.inc: sets AUTORUN_PICTURE_FILES (full paths) and AUTORUN_PICTURE_ENTRIES
# ("Name=file" for each picture).
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/PictureList.inc lines REGEX "^AUTORUN_PICTURE\\(")
# Read while configuring: a change to the list must configure the build again.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/PictureList.inc)
set(AUTORUN_PICTURE_FILES "")
set(AUTORUN_PICTURE_ENTRIES "")
foreach(line IN LISTS lines)
    if(NOT line MATCHES "^AUTORUN_PICTURE\\(([A-Za-z0-9]+), *[0-9]+, *\"([^\"]+)\", *[A-Z]+, *[A-Za-z]+, *[A-Za-z0-9]+\\)")
        message(FATAL_ERROR "PictureList.inc: cannot read \"${line}\"")
    endif()
    list(APPEND AUTORUN_PICTURE_FILES ${CMAKE_CURRENT_LIST_DIR}/${CMAKE_MATCH_2})
    list(APPEND AUTORUN_PICTURE_ENTRIES "${CMAKE_MATCH_1}=${CMAKE_MATCH_2}")
endforeach()

# The program's version as users read it, made from the project's version, the one place it is
# written: 8.0.1 is "8.00.0001", as the Windows version record writes it (minor in two digits, patch
# in four; a leading 1 added and taken off again keeps the zeros). Included, it sets
# AUTORUN_VERSION_TEXT; run with cmake -P, it prints it.
if(CMAKE_SCRIPT_MODE_FILE)
    file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/../CMakeLists.txt declaration REGEX "^project\\(Autorun VERSION ")
    if(NOT declaration MATCHES "VERSION ([0-9]+)\\.([0-9]+)\\.([0-9]+)")
        message(FATAL_ERROR "CMakeLists.txt declares no project(Autorun VERSION x.y.z)")
    endif()
    set(PROJECT_VERSION_MAJOR ${CMAKE_MATCH_1})
    set(PROJECT_VERSION_MINOR ${CMAKE_MATCH_2})
    set(PROJECT_VERSION_PATCH ${CMAKE_MATCH_3})
endif()
math(EXPR autorun_minor "100 + ${PROJECT_VERSION_MINOR}")
math(EXPR autorun_patch "10000 + ${PROJECT_VERSION_PATCH}")
string(SUBSTRING ${autorun_minor} 1 2 autorun_minor)
string(SUBSTRING ${autorun_patch} 1 4 autorun_patch)
set(AUTORUN_VERSION_TEXT "${PROJECT_VERSION_MAJOR}.${autorun_minor}.${autorun_patch}")
if(CMAKE_SCRIPT_MODE_FILE)
    execute_process(COMMAND ${CMAKE_COMMAND} -E echo "${AUTORUN_VERSION_TEXT}")
endif()

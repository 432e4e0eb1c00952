# The 32-bit Autorun.exe for the Linux tree's disc: the target windows_program makes sure it exists.
# Unless AUTORUN_WINDOWS_EXE names one built elsewhere, it is built here with its own toolchain, in the
# tree the windows-i686 preset uses, as released (MinSizeRel). Without MinGW-w64 the target stops,
# naming what is missing and how to install it.
if(AUTORUN_WINDOWS_EXE)
    add_custom_target(windows_program
        COMMAND ${CMAKE_COMMAND} -DPROGRAM=${AUTORUN_WINDOWS_EXE} -P ${CMAKE_CURRENT_LIST_DIR}/ExpectFile.cmake
        VERBATIM)
    return()
endif()
set(windows_tree ${PROJECT_SOURCE_DIR}/build/windows-i686)
set(AUTORUN_WINDOWS_EXE ${windows_tree}/Autorun.exe)
find_program(AUTORUN_MINGW_I686 i686-w64-mingw32-g++-posix)
if(NOT AUTORUN_MINGW_I686)
    add_custom_target(windows_program
        COMMAND ${CMAKE_COMMAND} -E echo
                "The disc needs the 32-bit Windows program, and MinGW-w64 (i686-w64-mingw32-g++-posix) is not installed to build it: run scripts/setup.sh, or build it elsewhere and give it as -DAUTORUN_WINDOWS_EXE=<path>."
        COMMAND ${CMAKE_COMMAND} -E false
        VERBATIM)
    return()
endif()
include(ExternalProject)
ExternalProject_Add(windows_program
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${windows_tree}
    CMAKE_GENERATOR Ninja
    CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=MinSizeRel
               -DAUTORUN_TESTS=OFF
    BUILD_COMMAND ${CMAKE_COMMAND} --build ${windows_tree} --target Autorun
    INSTALL_COMMAND ""
    # Its own build decides what is out of date.
    BUILD_ALWAYS ON
    BUILD_BYPRODUCTS ${AUTORUN_WINDOWS_EXE})

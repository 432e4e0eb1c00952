# Windows test programs from the cross build run under Wine: GoogleTest built with the cross
# compiler, Wine as the emulator CTest runs them with, and one Wine session for a whole test run.

# Debian's GoogleTest sources, under the target names find_package(GTest) gives.
if(NOT EXISTS /usr/src/googletest/CMakeLists.txt)
    message(FATAL_ERROR "GoogleTest's sources are missing: scripts/setup.sh installs them (package googletest)")
endif()
set(CMAKE_POLICY_DEFAULT_CMP0077 NEW)
set(gtest_disable_pthreads ON)
set(INSTALL_GTEST OFF)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# Every test program created after this runs through the wrapper.
set(CMAKE_CROSSCOMPILING_EMULATOR bash ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh ${CMAKE_BINARY_DIR})

# The programs the tests start besides the one under test: the window tool, which acts on the
# desktop for the test scripts and keeps the session's desktop up, the layout tool, and the stand-ins
# for a document's viewer and the disc's installer. Where this build's programs run under CPU
# emulation each start of one costs about a minute, so a 32-bit build can take them from a 64-bit
# build, whose programs start natively.
set(AUTORUN_WINE_HELPERS "" CACHE PATH
    "A 64-bit Windows build whose helper programs this build's tests start; empty: this build's own")
if(AUTORUN_WINE_HELPERS)
    set(wine_window_tool ${AUTORUN_WINE_HELPERS}/tests/win32_window_tool.exe)
    set(wine_layout_tool ${AUTORUN_WINE_HELPERS}/tools/layout/autorun_layout.exe)
    set(wine_open_stand_in ${AUTORUN_WINE_HELPERS}/tests/win32_gui_open_stand_in.exe)
    set(wine_installer_stand_in ${AUTORUN_WINE_HELPERS}/tools/installer-stand-in/AdbeRdr70_enu_full.exe)
    # Brings them up to date before the session, which starts the window tool.
    add_test(NAME wine.helpers COMMAND ${CMAKE_COMMAND} --build ${AUTORUN_WINE_HELPERS}
        --target win32_window_tool autorun_layout win32_gui_open_stand_in installer_stand_in)
    set_tests_properties(wine.helpers PROPERTIES FIXTURES_SETUP wine_helpers TIMEOUT 300)
    set(wine_helper_targets "")
else()
    add_executable(win32_window_tool ${CMAKE_CURRENT_LIST_DIR}/WindowTool.cpp)
    target_link_libraries(win32_window_tool PRIVATE oleacc ole32 oleaut32)
    set(wine_window_tool $<TARGET_FILE:win32_window_tool>)
    set(wine_layout_tool $<TARGET_FILE:autorun_layout>)
    set(wine_open_stand_in $<TARGET_FILE:win32_gui_open_stand_in>)
    set(wine_installer_stand_in $<TARGET_FILE:installer_stand_in>)
    set(wine_helper_targets win32_window_tool autorun_layout win32_gui_open_stand_in installer_stand_in)
endif()

# The session: a private Xvfb, this build's own Wine prefix and its persistent wineserver.
set(wine_session bash ${CMAKE_CURRENT_LIST_DIR}/wine-session.sh)
# With helpers from another build, a missing prefix starts as a copy of that build's.
if(AUTORUN_WINE_HELPERS)
    set(wine_seed ${AUTORUN_WINE_HELPERS}/wine)
else()
    set(wine_seed "")
endif()
add_test(NAME wine.start COMMAND ${wine_session} start ${CMAKE_BINARY_DIR} ${wine_window_tool} ${wine_seed})
add_test(NAME wine.stop COMMAND ${wine_session} stop ${CMAKE_BINARY_DIR})
# Setting up a new prefix takes Wine up to half a minute, and over two minutes where 32-bit
# programs run under CPU emulation.
set_tests_properties(wine.start PROPERTIES FIXTURES_SETUP wine TIMEOUT 600)
set_tests_properties(wine.stop PROPERTIES FIXTURES_CLEANUP wine TIMEOUT 60)
if(AUTORUN_WINE_HELPERS)
    set_tests_properties(wine.start PROPERTIES FIXTURES_REQUIRED wine_helpers)
endif()

# Each start of a program under CPU emulation costs about a minute: such a build runs each
# GoogleTest program as one test, all its cases in one process (autorun_add_gtests).
option(AUTORUN_WINE_WHOLE_PROGRAMS "Run each GoogleTest program under Wine as one test" OFF)
set(AUTORUN_WINE_PROGRAM_TIMEOUT 1200 CACHE STRING "Seconds a whole GoogleTest program may take under Wine")

# Once the directory has all its tests: a skip, with the status the Wine scripts exit with, wherever
# this machine's Wine cannot run the build's programs.
function(autorun_wine_tests)
    get_directory_property(tests TESTS)
    set_tests_properties(${tests} PROPERTIES SKIP_RETURN_CODE 77)
endfunction()
cmake_language(DEFER CALL autorun_wine_tests)

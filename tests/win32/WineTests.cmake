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

# Acts on the desktop from inside Wine for the test scripts, and keeps the session's desktop up.
add_executable(win32_window_tool ${CMAKE_CURRENT_LIST_DIR}/WindowTool.cpp)

# The session: a private Xvfb, this build's own Wine prefix and its persistent wineserver.
set(wine_session bash ${CMAKE_CURRENT_LIST_DIR}/wine-session.sh)
add_test(NAME wine.start COMMAND ${wine_session} start ${CMAKE_BINARY_DIR} $<TARGET_FILE:win32_window_tool>)
add_test(NAME wine.stop COMMAND ${wine_session} stop ${CMAKE_BINARY_DIR})
# Setting up a new prefix takes Wine up to half a minute.
set_tests_properties(wine.start PROPERTIES FIXTURES_SETUP wine TIMEOUT 300)
set_tests_properties(wine.stop PROPERTIES FIXTURES_CLEANUP wine TIMEOUT 60)


# Every test of the directory, whenever added, reports a skip with the status the Wine scripts exit
# with where this machine's Wine cannot run the build's programs.
function(autorun_wine_skips)
    get_directory_property(tests TESTS)
    set_tests_properties(${tests} PROPERTIES SKIP_RETURN_CODE 77)
endfunction()
cmake_language(DEFER CALL autorun_wine_skips)

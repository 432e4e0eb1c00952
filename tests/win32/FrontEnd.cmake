# The Win32 front end's GUI tests and the end-to-end test of Autorun.exe, under the Wine session.
# Both put windows on the one shared display and move its pointer, so they run one at a time.
set(wine_display_lock wine_display)

add_executable(win32_gui_open_stand_in WIN32 ${CMAKE_CURRENT_LIST_DIR}/GuiOpenStandIn.cpp)
target_link_libraries(win32_gui_open_stand_in PRIVATE shell32)

# The program's own resources go in, so the windows show its pictures, icon and cursor.
add_executable(win32_gui_tests
    ${CMAKE_CURRENT_LIST_DIR}/GuiTestMain.cpp
    ${CMAKE_CURRENT_LIST_DIR}/GuiTestSupport.cpp
    ${CMAKE_CURRENT_LIST_DIR}/GuiLauncherTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/GuiDocWindowTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/GuiReportTest.cpp)
target_link_libraries(win32_gui_tests PRIVATE autorun_win32 autorun_win32_resources GTest::gtest advapi32)
target_compile_definitions(win32_gui_tests PRIVATE
    "AUTORUN_OPEN_STAND_IN=\"Z:$<TARGET_FILE:win32_gui_open_stand_in>\""
    "AUTORUN_INSTALLER_STAND_IN=\"Z:$<TARGET_FILE:installer_stand_in>\"")
add_dependencies(win32_gui_tests win32_gui_open_stand_in installer_stand_in)
get_directory_property(tests_before TESTS)
autorun_add_gtests(win32_gui_tests)
get_directory_property(tests_after TESTS)
list(REMOVE_ITEM tests_after ${tests_before})
set_tests_properties(${tests_after} PROPERTIES RESOURCE_LOCK ${wine_display_lock})

# The built program on a copy of the sample disc, driven through the display as a user would.
# A test cannot depend on a build target, so a setup test brings the disc up to date first.
add_test(NAME win32_e2e_disc_ready
    COMMAND ${CMAKE_COMMAND} --build ${CMAKE_BINARY_DIR} --target disc win32_window_tool autorun_layout)
set_tests_properties(win32_e2e_disc_ready PROPERTIES FIXTURES_SETUP win32_e2e_disc LABELS e2e TIMEOUT 300)
add_test(NAME win32_e2e_sample_disc
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/E2EAutorun.sh ${CMAKE_BINARY_DIR} ${AUTORUN_DISC_DIR}
            $<TARGET_FILE:win32_window_tool> $<TARGET_FILE:autorun_layout>)
set_tests_properties(win32_e2e_sample_disc PROPERTIES
    FIXTURES_REQUIRED "wine;win32_e2e_disc"
    RESOURCE_LOCK ${wine_display_lock}
    LABELS e2e
    TIMEOUT 120)

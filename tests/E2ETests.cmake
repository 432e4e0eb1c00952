# The Qt program on a copy of the assembled sample disc, driven under its own X server.
find_package(X11 REQUIRED)

add_executable(e2e_close_window ${PROJECT_SOURCE_DIR}/tools/x11/CloseWindow.cpp)
target_link_libraries(e2e_close_window PRIVATE X11::X11)

# A test cannot depend on a build target, so a setup test brings the disc (and the helper) up to date first.
add_test(NAME e2e_disc_ready
    COMMAND ${CMAKE_COMMAND} --build ${CMAKE_BINARY_DIR} --target disc e2e_close_window autorun_layout)
set_tests_properties(e2e_disc_ready PROPERTIES
    FIXTURES_SETUP e2e_disc
    LABELS e2e
    TIMEOUT 120)

add_test(NAME e2e_sample_disc
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/e2e/e2e.sh ${CMAKE_BINARY_DIR}/disc $<TARGET_FILE:e2e_close_window>
            $<TARGET_FILE:autorun_layout>)
set_tests_properties(e2e_sample_disc PROPERTIES
    FIXTURES_REQUIRED e2e_disc
    LABELS e2e
    TIMEOUT 120)

# Started where there is no display, the program says so instead of aborting.
add_test(NAME autorun_without_display
    COMMAND sh -c "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \"$1\" 2>&1; echo \"status $?\"" sh
            $<TARGET_FILE:autorun>)
set_tests_properties(autorun_without_display PROPERTIES
    PASS_REGULAR_EXPRESSION "no display to show the window on.*status 1"
    TIMEOUT 30)

# A display that no X server answers (a stale DISPLAY, a closed session): named, and status 1.
add_test(NAME autorun_with_a_dead_display
    COMMAND sh -c "env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=:65530 \"$1\" 2>&1; echo \"status $?\"" sh
            $<TARGET_FILE:autorun>)
set_tests_properties(autorun_with_a_dead_display PROPERTIES
    PASS_REGULAR_EXPRESSION "cannot open the display \":65530\" named by DISPLAY: no X server answers there.*status 1"
    TIMEOUT 30)

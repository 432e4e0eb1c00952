find_package(X11 REQUIRED COMPONENTS Xfixes)

add_executable(gtk_tests
    ${CMAKE_CURRENT_LIST_DIR}/gtk/GtkTestMain.cpp
    ${CMAKE_CURRENT_LIST_DIR}/gtk/GtkDriver.cpp
    ${CMAKE_CURRENT_LIST_DIR}/gtk/ModalityTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/posix/XdgOpenStandIn.cpp
    ${conformance_sources})
target_link_libraries(gtk_tests PRIVATE autorun_gtk X11::X11 X11::Xfixes GTest::gtest)

# The shared cases in real windows under Xvfb. GTK 3 has no offscreen display backend, so unlike Qt
# there is no run without an X server. The density cases run on their own, once for each scale GTK
# has (whole numbers only): they count what the process decoded from its start.
set(gtk_xvfb bash ${CMAKE_CURRENT_LIST_DIR}/qt/with-xvfb.sh $<TARGET_FILE:gtk_tests>)
add_test(NAME gtk_tests.xvfb COMMAND ${gtk_xvfb} --gtest_filter=-AtThisDensity.*:ScreenReadersOnEveryDesktop.*)
# No session bus here: GTK's bridge is kept from looking for one.
set_tests_properties(gtk_tests.xvfb PROPERTIES ENVIRONMENT "GDK_BACKEND=x11;NO_AT_BRIDGE=1;GDK_SCALE=1" TIMEOUT 120)
# With a session and an AT-SPI bus, as where a screen reader listens: GTK's bridge is on, and what the
# windows announce is heard through ATK.
add_test(NAME gtk_tests.atspi COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/qt/with-atspi.sh $<TARGET_FILE:gtk_tests>
    --gtest_filter=ScreenReadersOnEveryDesktop.*)
set_tests_properties(gtk_tests.atspi PROPERTIES ENVIRONMENT "GDK_BACKEND=x11;GDK_SCALE=1" TIMEOUT 120
    ENVIRONMENT_MODIFICATION "NO_AT_BRIDGE=unset:;GTK_A11Y=unset:" FAIL_REGULAR_EXPRESSION "Running 0 tests from")
foreach(scale 1 2)
    add_test(NAME gtk_tests.scale${scale}.xvfb COMMAND ${gtk_xvfb} --gtest_filter=AtThisDensity.*)
    set_tests_properties(gtk_tests.scale${scale}.xvfb PROPERTIES
        ENVIRONMENT "GDK_BACKEND=x11;NO_AT_BRIDGE=1;GDK_SCALE=${scale}"
        TIMEOUT 120 FAIL_REGULAR_EXPRESSION "Running 0 tests from")
endforeach()

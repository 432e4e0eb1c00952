find_package(Qt6 REQUIRED COMPONENTS Test)

add_executable(qt_tests
    ${CMAKE_CURRENT_LIST_DIR}/qt/QtTestMain.cpp
    ${CMAKE_CURRENT_LIST_DIR}/qt/QtTestSupport.cpp
    ${CMAKE_CURRENT_LIST_DIR}/posix/XdgOpenStandIn.cpp
    ${CMAKE_CURRENT_LIST_DIR}/qt/AccessibilityTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/qt/DocWindowViewTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/qt/LauncherViewTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/qt/PicturesTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/qt/QtDesktopTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/qt/ScaleTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/qt/QtDriver.cpp
    ${conformance_sources})
target_link_libraries(qt_tests PRIVATE autorun_qt Qt6::Test GTest::gtest)

# The same tests on Qt's offscreen platform and on a real X server. The scale cases run on their
# own, once for each density: they count what the process decoded from its start.
add_test(NAME qt_tests.offscreen COMMAND qt_tests --gtest_filter=-Scale.*:AtThisDensity.*:AbsurdScale.*:AtSpi.*:SettingsPortal.*:ScreenReadersOnEveryDesktop.*)
add_test(NAME qt_tests.xvfb COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/qt/with-xvfb.sh $<TARGET_FILE:qt_tests>
    --gtest_filter=-Scale.*:AtThisDensity.*:AbsurdScale.*:AtSpi.*:SettingsPortal.*:ScreenReadersOnEveryDesktop.*)
# With a session and an AT-SPI bus, as where a screen reader listens: Qt's bridge is on, the
# screen-reader tests run against it, and what the windows announce is recorded.
add_test(NAME qt_tests.atspi COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/qt/with-atspi.sh $<TARGET_FILE:qt_tests>
    --gtest_filter=Accessibility.*:AtSpi.*:ScreenReadersOnEveryDesktop.*)
set_tests_properties(qt_tests.atspi PROPERTIES TIMEOUT 120 FAIL_REGULAR_EXPRESSION "Running 0 tests from")
# The desktop's settings portal stood in for on a session bus, before the program first asks it.
add_test(NAME qt_tests.portal COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/qt/with-atspi.sh $<TARGET_FILE:qt_tests>
    --gtest_filter=SettingsPortal.*)
set_tests_properties(qt_tests.portal PROPERTIES TIMEOUT 120 FAIL_REGULAR_EXPRESSION "Running 0 tests from")
foreach(scale 1 1.5 2)
    add_test(NAME qt_tests.scale${scale}.offscreen COMMAND qt_tests --gtest_filter=Scale.*:AtThisDensity.*)
    add_test(NAME qt_tests.scale${scale}.xvfb
        COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/qt/with-xvfb.sh $<TARGET_FILE:qt_tests> --gtest_filter=Scale.*:AtThisDensity.*)
    set_tests_properties(qt_tests.scale${scale}.offscreen PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_SCALE_FACTOR=${scale}")
    set_tests_properties(qt_tests.scale${scale}.xvfb PROPERTIES ENVIRONMENT QT_SCALE_FACTOR=${scale})
    set_tests_properties(qt_tests.scale${scale}.offscreen qt_tests.scale${scale}.xvfb PROPERTIES
        TIMEOUT 120 FAIL_REGULAR_EXPRESSION "Running 0 tests from")
endforeach()
# Factors that make no sense, in a real window: Qt's own behaviour then, but our arithmetic must hold
# (the sanitizer build stops at an overflow).
foreach(scale 0 nan inf -1 1e6)
    add_test(NAME qt_tests.absurd-scale${scale}.xvfb
        COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/qt/with-xvfb.sh $<TARGET_FILE:qt_tests> --gtest_filter=AbsurdScale.*)
    set_tests_properties(qt_tests.absurd-scale${scale}.xvfb PROPERTIES ENVIRONMENT QT_SCALE_FACTOR=${scale}
        TIMEOUT 120 FAIL_REGULAR_EXPRESSION "Running 0 tests from")
endforeach()
set_tests_properties(qt_tests.offscreen PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen TIMEOUT 120)
set_tests_properties(qt_tests.xvfb PROPERTIES TIMEOUT 120)
# The picture cases on their own as well, to check the artwork quickly after redrawing it.
add_test(NAME qt_tests.Pictures COMMAND qt_tests --gtest_filter=Pictures.*)
set_tests_properties(qt_tests.Pictures PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen TIMEOUT 120
    FAIL_REGULAR_EXPRESSION "Running 0 tests from")

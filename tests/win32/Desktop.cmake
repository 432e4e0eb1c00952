# The Windows desktop's operations and the program file itself, under Wine.
set(stand_in Z:$<TARGET_FILE:installer_stand_in>)
add_executable(win32_desktop_tests ${CMAKE_CURRENT_LIST_DIR}/DesktopTest.cpp)
target_link_libraries(win32_desktop_tests PRIVATE autorun_win32 GTest::gtest_main)
target_compile_definitions(win32_desktop_tests PRIVATE "AUTORUN_STAND_IN=\"${stand_in}\"")
add_dependencies(win32_desktop_tests installer_stand_in)
autorun_add_gtests(win32_desktop_tests)

# The 32-bit release build cannot run here, but its file can be read: it is built first by the test script.
set(AUTORUN_RELEASE_EXE "" CACHE FILEPATH "The 32-bit release Autorun.exe whose file the tests check")
add_executable(win32_executable_tests ${CMAKE_CURRENT_LIST_DIR}/ExecutableTest.cpp)
target_link_libraries(win32_executable_tests PRIVATE GTest::gtest_main version)
target_compile_definitions(win32_executable_tests PRIVATE
    "AUTORUN_RELEASE_EXE=L\"Z:${AUTORUN_RELEASE_EXE}\"" "AUTORUN_TEST_EXE=L\"Z:$<TARGET_FILE:Autorun>\"")
add_dependencies(win32_executable_tests Autorun)
autorun_add_gtests(win32_executable_tests)

foreach(program release32 test64)
    if(program STREQUAL release32)
        set(file ${AUTORUN_RELEASE_EXE})
        set(format pei-i386)
        set(objdump i686-w64-mingw32-objdump)
    else()
        set(file $<TARGET_FILE:Autorun>)
        set(format pei-x86-64)
        set(objdump x86_64-w64-mingw32-objdump)
    endif()
    add_test(NAME win32_imports.${program} COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/imports.sh ${objdump} ${file} ${format})
    # Run natively, not under Wine.
    set_tests_properties(win32_imports.${program} PROPERTIES TIMEOUT 30)
endforeach()

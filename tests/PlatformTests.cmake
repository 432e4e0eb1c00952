# Tests of the platform pieces: the profile reader on every system (and on Windows, the system's own
# reader against the same table), files and programs on POSIX.
if(NOT TARGET GTest::gtest_main)
    find_package(GTest REQUIRED)
endif()
include(GoogleTest)

set(profile_fixtures ${CMAKE_CURRENT_LIST_DIR}/profile/fixtures)
set(picture_files ${PROJECT_SOURCE_DIR}/resources)
if(CMAKE_CROSSCOMPILING AND WIN32)
    # Wine's drive Z: is the root folder.
    set(profile_fixtures Z:${profile_fixtures})
    set(picture_files Z:${picture_files})
endif()

add_executable(profile_tests ${CMAKE_CURRENT_LIST_DIR}/profile/ProfileReaderTest.cpp)
target_link_libraries(profile_tests PRIVATE autorun_profile GTest::gtest_main)
target_compile_definitions(profile_tests PRIVATE AUTORUN_PROFILE_FIXTURES="${profile_fixtures}")
autorun_add_gtests(profile_tests)

add_executable(iconfile_tests ${CMAKE_CURRENT_LIST_DIR}/portable/IconFileTest.cpp)
target_link_libraries(iconfile_tests PRIVATE autorun_iconfile GTest::gtest_main)
target_compile_definitions(iconfile_tests PRIVATE AUTORUN_RESOURCES="${picture_files}")
autorun_add_gtests(iconfile_tests)

if(WIN32)
    add_executable(win32_profile_tests ${CMAKE_CURRENT_LIST_DIR}/win32/ProfileApiTest.cpp)
    target_link_libraries(win32_profile_tests PRIVATE GTest::gtest_main)
    target_compile_definitions(win32_profile_tests PRIVATE AUTORUN_PROFILE_FIXTURES="${profile_fixtures}")
    autorun_add_gtests(win32_profile_tests)
endif()

if(UNIX)
    add_executable(posix_tests
        ${CMAKE_CURRENT_LIST_DIR}/posix/LinuxDesktopServicesTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/posix/PosixFilesTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/posix/SpawnTest.cpp)
    target_link_libraries(posix_tests PRIVATE autorun_posix GTest::gtest_main)
    autorun_add_gtests(posix_tests)
endif()

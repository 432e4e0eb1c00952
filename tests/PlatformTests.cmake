# Tests of the platform pieces: the profile reader on every system, files and programs on POSIX.
if(NOT TARGET GTest::gtest_main)
    find_package(GTest REQUIRED)
endif()
include(GoogleTest)

add_executable(profile_tests ${CMAKE_CURRENT_LIST_DIR}/profile/ProfileReaderTest.cpp)
target_link_libraries(profile_tests PRIVATE autorun_profile GTest::gtest_main)
target_compile_definitions(profile_tests PRIVATE
    AUTORUN_PROFILE_FIXTURES="${CMAKE_CURRENT_LIST_DIR}/profile/fixtures")
gtest_discover_tests(profile_tests)

if(UNIX)
    add_executable(posix_tests
        ${CMAKE_CURRENT_LIST_DIR}/posix/PosixFilesTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/posix/SpawnTest.cpp)
    target_link_libraries(posix_tests PRIVATE autorun_posix GTest::gtest_main)
    gtest_discover_tests(posix_tests)
endif()

# The Win32 front end's GUI tests and the end-to-end test of Autorun.exe, under the Wine session.
# Both put windows on the one shared display and move its pointer, so they run one at a time.
set(wine_display_lock wine_display)

if(NOT AUTORUN_WINE_HELPERS)
    add_executable(win32_gui_open_stand_in WIN32 ${CMAKE_CURRENT_LIST_DIR}/GuiOpenStandIn.cpp)
    target_link_libraries(win32_gui_open_stand_in PRIVATE shell32)
endif()

# The program's own resources go in, so the windows show its pictures, icon and cursor.
add_executable(win32_gui_tests
    ${CMAKE_CURRENT_LIST_DIR}/GuiTestMain.cpp
    ${CMAKE_CURRENT_LIST_DIR}/GuiTestSupport.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../conformance/TestDisc.cpp
    ${CMAKE_CURRENT_LIST_DIR}/GuiLauncherTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/GuiDocWindowTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/GuiReportTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Win32Driver.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../conformance/Conformance.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../conformance/KeyboardCases.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../conformance/ScreenReaderCases.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../conformance/WindowCases.cpp)
target_link_libraries(win32_gui_tests PRIVATE autorun_win32 autorun_win32_resources GTest::gtest advapi32 oleacc oleaut32)
target_compile_definitions(win32_gui_tests PRIVATE
    "AUTORUN_OPEN_STAND_IN=\"Z:${wine_open_stand_in}\""
    "AUTORUN_INSTALLER_STAND_IN=\"Z:${wine_installer_stand_in}\"")
if(NOT AUTORUN_WINE_HELPERS)
    add_dependencies(win32_gui_tests win32_gui_open_stand_in installer_stand_in)
endif()
autorun_add_gtests(win32_gui_tests PROPERTIES RESOURCE_LOCK ${wine_display_lock})

# Both windows at the standard density and at one and a half and twice it, each run as one program
# with the screen's density set for it. Every program started meanwhile would get that density, so
# the others run alone; where each start costs a minute (CPU emulation) only twice the standard runs.
add_executable(win32_gui_scale_tests
    ${CMAKE_CURRENT_LIST_DIR}/GuiTestMain.cpp
    ${CMAKE_CURRENT_LIST_DIR}/GuiTestSupport.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../conformance/TestDisc.cpp
    ${CMAKE_CURRENT_LIST_DIR}/GuiScaleTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Win32Driver.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../conformance/Conformance.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../conformance/DensityCases.cpp)
target_link_libraries(win32_gui_scale_tests PRIVATE autorun_win32 autorun_win32_resources GTest::gtest advapi32 oleacc
    oleaut32)
target_compile_definitions(win32_gui_scale_tests PRIVATE "AUTORUN_OPEN_STAND_IN=\"Z:${wine_open_stand_in}\"")
if(NOT AUTORUN_WINE_HELPERS)
    add_dependencies(win32_gui_scale_tests win32_gui_open_stand_in)
endif()
if(AUTORUN_WINE_WHOLE_PROGRAMS)
    set(scale_densities 192)
else()
    set(scale_densities 96 144 192)
endif()
foreach(dpi ${scale_densities})
    add_test(NAME win32_gui_scale.${dpi}
        COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/wine-dpi.sh ${CMAKE_BINARY_DIR} ${dpi} $<TARGET_FILE:win32_gui_scale_tests>)
    set_tests_properties(win32_gui_scale.${dpi} PROPERTIES
        FIXTURES_REQUIRED wine
        RESOURCE_LOCK ${wine_display_lock}
        FAIL_REGULAR_EXPRESSION "Running 0 tests from"
        TIMEOUT ${AUTORUN_WINE_PROGRAM_TIMEOUT})
    if(NOT dpi EQUAL 96)
        set_tests_properties(win32_gui_scale.${dpi} PROPERTIES RUN_SERIAL TRUE)
    endif()
endforeach()

# The program on a copy of the sample disc, driven through the display as a user would: this build's
# own, or the one AUTORUN_E2E_EXE names, signed, which then must be on the disc byte for byte.
set(AUTORUN_E2E_EXE "" CACHE FILEPATH "The Autorun.exe the end-to-end tests drive; empty: this build's own")
if(AUTORUN_E2E_EXE)
    # Signed first, as the release signs it (here with a throwaway certificate): the run drives the
    # program as a publisher ships it.
    set(e2e_signer ${CMAKE_BINARY_DIR}/e2e-signer)
    set(e2e_exe ${CMAKE_BINARY_DIR}/e2e-signed/Autorun.exe)
    add_custom_command(OUTPUT ${e2e_exe}
        COMMAND bash ${PROJECT_SOURCE_DIR}/tests/release/throwaway-signer.sh ${e2e_signer}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/e2e-signed
        COMMAND ${CMAKE_COMMAND} -E env AUTORUN_SIGN_PKCS12=${e2e_signer}/signer.p12
                AUTORUN_SIGN_PASSWORD_FILE=${e2e_signer}/password
                bash ${PROJECT_SOURCE_DIR}/scripts/sign-exe.sh ${AUTORUN_E2E_EXE} ${e2e_exe}
        DEPENDS ${AUTORUN_E2E_EXE} ${PROJECT_SOURCE_DIR}/scripts/sign-exe.sh
        VERBATIM)
    set(e2e_disc ${CMAKE_BINARY_DIR}/e2e-disc)
    add_custom_target(win32_e2e_disc
        COMMAND ${CMAKE_COMMAND} -DSOURCE=${PROJECT_SOURCE_DIR}/sample-disc -DDISC=${e2e_disc}
                -DPROGRAMS=${e2e_exe} -DSTAND_IN=${wine_installer_stand_in}
                -P ${PROJECT_SOURCE_DIR}/cmake/AssembleDisc.cmake
        DEPENDS ${wine_helper_targets} ${e2e_exe}
        COMMENT "Assembling the sample disc with ${AUTORUN_E2E_EXE}, signed, in ${e2e_disc}"
        VERBATIM)
else()
    set(e2e_exe "")
    set(e2e_disc ${AUTORUN_DISC_DIR})
    add_custom_target(win32_e2e_disc)
    add_dependencies(win32_e2e_disc disc)
endif()
# A test cannot depend on a build target, so a setup test brings the disc up to date first.
add_test(NAME win32_e2e_disc_ready
    COMMAND ${CMAKE_COMMAND} --build ${CMAKE_BINARY_DIR} --target win32_e2e_disc ${wine_helper_targets})
set_tests_properties(win32_e2e_disc_ready PROPERTIES FIXTURES_SETUP win32_e2e_disc LABELS e2e TIMEOUT 300)
if(AUTORUN_WINE_HELPERS)
    set_tests_properties(win32_e2e_disc_ready PROPERTIES FIXTURES_REQUIRED wine_helpers)
endif()
set(e2e_run bash ${CMAKE_CURRENT_LIST_DIR}/E2EAutorun.sh ${CMAKE_BINARY_DIR})
set(e2e_tools ${wine_window_tool} ${wine_layout_tool} ${wine_open_stand_in} ${e2e_exe})
add_test(NAME win32_e2e_sample_disc COMMAND ${e2e_run} ${e2e_disc} ${e2e_tools})

# The same from the disc's image, with the files as Windows reads them: its Joliet tree.
set(joliet_tree ${CMAKE_BINARY_DIR}/disc-image/joliet)
add_test(NAME win32_disc_image_joliet
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/joliet-tree.sh ${e2e_disc} ${CMAKE_BINARY_DIR}/disc-image)
set_tests_properties(win32_disc_image_joliet PROPERTIES
    FIXTURES_REQUIRED win32_e2e_disc FIXTURES_SETUP win32_joliet_tree LABELS e2e TIMEOUT 120)
add_test(NAME win32_e2e_disc_image COMMAND ${e2e_run} ${joliet_tree} ${e2e_tools})

set_tests_properties(win32_e2e_sample_disc PROPERTIES FIXTURES_REQUIRED "wine;win32_e2e_disc")
set_tests_properties(win32_e2e_disc_image PROPERTIES FIXTURES_REQUIRED "wine;win32_joliet_tree")
# A 32-bit program may run under CPU emulation, which takes about a minute to start it.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(e2e_timeout 480)
else()
    set(e2e_timeout 120)
endif()
set_tests_properties(win32_e2e_sample_disc win32_e2e_disc_image PROPERTIES
    RESOURCE_LOCK ${wine_display_lock}
    LABELS e2e
    TIMEOUT ${e2e_timeout})

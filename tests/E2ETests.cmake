# The Qt program on a copy of the assembled sample disc, driven under its own X server.
find_package(X11 REQUIRED)

add_executable(e2e_close_window ${PROJECT_SOURCE_DIR}/tools/x11/CloseWindow.cpp)
target_link_libraries(e2e_close_window PRIVATE X11::X11)
# Beside it, where the scripts look for it: waits for the program the disc's starter leaves running.
add_executable(e2e_adopt e2e/Adopt.cpp)

# A test cannot depend on a build target, so a setup test brings the disc, its image and the helpers
# up to date first.
add_test(NAME e2e_disc_ready
    COMMAND ${CMAKE_COMMAND} --build ${CMAKE_BINARY_DIR} --target disc disc-image e2e_close_window e2e_adopt autorun_layout)
set_tests_properties(e2e_disc_ready PROPERTIES
    FIXTURES_SETUP e2e_disc
    LABELS e2e
    TIMEOUT 120)

# The disc's starter with a test archive of its own and the desktop's Qt left out: every way it unpacks,
# reuses, refuses and reports.
set(starter_fixture ${CMAKE_CURRENT_BINARY_DIR}/starter-fixture)
add_custom_command(OUTPUT ${starter_fixture}/bundle.tar.zst ${starter_fixture}/bundle.sha256 ${starter_fixture}/autorun
                   ${starter_fixture}/bundle.manifest ${starter_fixture}/bundle.needs
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/starter/make-fixture.sh ${starter_fixture}
    DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/starter/make-fixture.sh ${PROJECT_SOURCE_DIR}/scripts/bundle-manifest.sh
    VERBATIM)
autorun_add_starter(starter_under_test ${starter_fixture} OFF)
add_custom_target(starter_fixture ALL DEPENDS ${starter_fixture}/bundle.tar.zst ${starter_fixture}/autorun)
add_test(NAME starter_unpacks_reuses_and_refuses
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/starter/starter.sh $<TARGET_FILE:starter_under_test> ${starter_fixture})
set_tests_properties(starter_unpacks_reuses_and_refuses PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 120)

# --version and --help, from the program, the disc's program and the disc's starter.
add_test(NAME linux_programs_answer_help_and_version
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/release/command-line.sh ${AUTORUN_VERSION_TEXT}
            $<TARGET_FILE:autorun> $<TARGET_FILE:autorun_disc> ${AUTORUN_DISC_DIR}/autorun)
set_tests_properties(linux_programs_answer_help_and_version PROPERTIES TIMEOUT 60)

# Authenticode signing of the 32-bit program as the release signs it, with a throwaway CA.
add_test(NAME release_signing
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/release/signing.sh ${AUTORUN_WINDOWS_EXE} ${CMAKE_BINARY_DIR}/release-signing)
set_tests_properties(release_signing PROPERTIES TIMEOUT 120)

# A disc whose autorun.inf names a program that was not built is not assembled at all.
add_test(NAME disc_without_a_named_program_is_not_assembled
    COMMAND sh -c "${CMAKE_COMMAND} -DSOURCE=${PROJECT_SOURCE_DIR}/sample-disc -DDISC=\"$1\" -DPROGRAMS=\"$1.missing/Autorun.exe\" -P ${PROJECT_SOURCE_DIR}/cmake/AssembleDisc.cmake 2>&1; echo \"status $?\"; test -e \"$1\" && echo \"the disc folder was made\"" sh ${CMAKE_CURRENT_BINARY_DIR}/disc-without-exe)
set_tests_properties(disc_without_a_named_program_is_not_assembled PROPERTIES
    PASS_REGULAR_EXPRESSION "disc-without-exe.missing/Autorun.exe[ \n]+has[ \n]+not[ \n]+been[ \n]+built.*status 1\n$"
    TIMEOUT 30)

add_test(NAME e2e_sample_disc
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/e2e/e2e.sh ${CMAKE_BINARY_DIR}/disc $<TARGET_FILE:e2e_close_window>
            $<TARGET_FILE:autorun_layout>)
set_tests_properties(e2e_sample_disc PROPERTIES
    FIXTURES_REQUIRED e2e_disc
    LABELS e2e
    TIMEOUT 120)

# Both windows with keys alone, as real X key events to the window with the keyboard.
add_test(NAME e2e_keyboard_walk
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/e2e/e2e.sh ${CMAKE_BINARY_DIR}/disc $<TARGET_FILE:e2e_close_window>
            $<TARGET_FILE:autorun_layout>)
set_tests_properties(e2e_keyboard_walk PROPERTIES
    ENVIRONMENT E2E_WALK=keyboard
    FIXTURES_REQUIRED e2e_disc
    LABELS e2e
    TIMEOUT 120)

# The launcher's bundle: every library outside a desktop's base set comes from the disc.
add_test(NAME linux_bundle_resolves
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/e2e/bundle-check.sh ${CMAKE_BINARY_DIR}/disc
            ${PROJECT_SOURCE_DIR}/scripts/linux-base-libraries.txt)
set_tests_properties(linux_bundle_resolves PROPERTIES FIXTURES_REQUIRED e2e_disc TIMEOUT 60)

# The disc's Linux files need no newer glibc and C++ runtime than README.md's table says.
add_test(NAME linux_files_need_what_readme_says
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/release/symbol-versions.sh ${PROJECT_SOURCE_DIR}/README.md
            ${AUTORUN_DISC_DIR})
set_tests_properties(linux_files_need_what_readme_says PROPERTIES FIXTURES_REQUIRED e2e_disc TIMEOUT 60)

# What the starter's linked-in C++ runtime takes from cmake/OldGlibc.cpp works.
add_executable(old_glibc_check ${CMAKE_CURRENT_SOURCE_DIR}/release/OldGlibcCheck.cpp)
autorun_build_against_old_sysroot(old_glibc_check)
add_test(NAME old_glibc_stand_ins_work COMMAND old_glibc_check)

# The disc as users meet it: the image mounted read-only, the launcher run by an unprivileged user;
# then inside a clean root without Qt (made once, kept in the build folder); then from an image
# mastered with plain 8.3 names. Skipped, saying why, where mounting or chroot is refused.
set(from_image ${CMAKE_CURRENT_SOURCE_DIR}/e2e/from-image.sh)
# One root for every build tree: it takes a minute and 500 MB to make.
set(AUTORUN_BASE_ROOT ${PROJECT_SOURCE_DIR}/build/base-root CACHE PATH "The clean root without Qt the disc is tested in")
set(e2e_helpers $<TARGET_FILE:e2e_close_window> $<TARGET_FILE:autorun_layout>)
add_test(NAME e2e_mounted_image COMMAND ${from_image} mounted ${AUTORUN_DISC_IMAGE} ${e2e_helpers})
add_test(NAME e2e_unmounted_under_the_launcher COMMAND ${from_image} unmounted ${AUTORUN_DISC_IMAGE} ${e2e_helpers})
add_test(NAME e2e_mounted_image_without_qt
    COMMAND ${from_image} no-qt ${AUTORUN_DISC_IMAGE} ${AUTORUN_BASE_ROOT} ${e2e_helpers})
add_test(NAME e2e_level1_image COMMAND ${from_image} level1 ${AUTORUN_DISC_DIR} ${e2e_helpers})
set_tests_properties(e2e_mounted_image e2e_unmounted_under_the_launcher e2e_mounted_image_without_qt e2e_level1_image
    PROPERTIES
    FIXTURES_REQUIRED e2e_disc
    LABELS e2e
    SKIP_RETURN_CODE 77
    TIMEOUT 120)
# Making the clean root the first time takes a minute or two; one test makes it at a time.
set_tests_properties(e2e_mounted_image_without_qt PROPERTIES TIMEOUT 600 RESOURCE_LOCK base_root)

# The disc's starter and launchers in clean Debian 12 and 11 roots with the desktop's GTK 3 (and Qt 6 on
# 12), as the user nobody: each route with the toolkits it needs or hidden, forced by AUTORUN_ROUTE, a
# damaged unpacked folder, a C++ runtime or a glibc too old, a Wayland platform, a launcher failing at
# start. Each must end in the window, or in a box with the disc's folder opened, by the route it names.
# Each root is made once, kept in the build folder (about three minutes, both at once; 670 and 610 MB).
set(AUTORUN_DESKTOP_ROOT ${PROJECT_SOURCE_DIR}/build/desktop-root CACHE PATH
    "The clean Debian 12 root with GTK 3 and Qt 6 the disc's starter is tested in")
set(AUTORUN_OLD_DESKTOP_ROOT ${PROJECT_SOURCE_DIR}/build/desktop-root-bullseye CACHE PATH
    "The clean Debian 11 root with GTK 3 the disc's starter is tested in")
add_test(NAME starter_routes_as_users_meet_them
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/starter/routes.sh ${AUTORUN_DISC_DIR} ${AUTORUN_DESKTOP_ROOT}
            ${AUTORUN_OLD_DESKTOP_ROOT} $<TARGET_FILE:e2e_close_window>)
set_tests_properties(starter_routes_as_users_meet_them PROPERTIES
    FIXTURES_REQUIRED e2e_disc
    LABELS e2e
    SKIP_RETURN_CODE 77
    RESOURCE_LOCK base_root
    TIMEOUT 900)

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

# A display whose server runs but has no such screen (":0.7" with one screen): named, and status 1.
add_test(NAME autorun_with_a_display_lacking_the_screen
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/qt/with-xvfb.sh
            sh -c "DISPLAY=\"$DISPLAY.7\" \"$1\" 2>&1; echo \"status $?\"" sh $<TARGET_FILE:autorun>)
set_tests_properties(autorun_with_a_display_lacking_the_screen PROPERTIES
    PASS_REGULAR_EXPRESSION "cannot open the display \":[0-9]+\\.7\" named by DISPLAY: it has no such screen.*status 1"
    TIMEOUT 30)

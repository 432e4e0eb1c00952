# Programs built with the project's own compiler against a Debian 11 root, so that they need no
# newer glibc than 2.31 and start on Debian 11, Ubuntu 20.04 and later: every header and library
# comes from the root but the C++ runtime, which is this compiler's, linked in.
# scripts/make-sysroot.sh makes the root; a package a program needs goes into its list.

# One root for every build tree, made once (a minute or two, and 250 MB).
set(AUTORUN_OLD_SYSROOT ${PROJECT_SOURCE_DIR}/build/sysroot-bullseye CACHE PATH
    "The Debian 11 root the disc's starter is built against (scripts/make-sysroot.sh makes it)")
set(make_sysroot ${PROJECT_SOURCE_DIR}/scripts/make-sysroot.sh)
# Returns at once where the root is whole; a new package in the script's list makes it again.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${make_sysroot})
if(NOT EXISTS ${AUTORUN_OLD_SYSROOT}/.complete)
    message(STATUS "Making the Debian 11 root ${AUTORUN_OLD_SYSROOT}, once (as root, or through sudo)")
endif()
execute_process(COMMAND ${make_sysroot} ${AUTORUN_OLD_SYSROOT} RESULT_VARIABLE made)
if(NOT made EQUAL 0)
    message(FATAL_ERROR "Could not make the Debian 11 root ${AUTORUN_OLD_SYSROOT} that the disc's starter is "
        "built against. It needs root or sudo, debootstrap and Debian's archive: run "
        "scripts/make-sysroot.sh ${AUTORUN_OLD_SYSROOT} as root, or give -DAUTORUN_OLD_SYSROOT=<a root it made>.")
endif()

# autorun_build_against_old_sysroot(<target>) compiles and links the target against the root, with
# zstd's static library from it.
function(autorun_build_against_old_sysroot target)
    set(root ${AUTORUN_OLD_SYSROOT})
    set(lib ${root}/usr/lib/${CMAKE_LIBRARY_ARCHITECTURE})
    # The compiler's own C++ headers, to match the runtime linked in; the C headers are the root's.
    set(cxx_headers ${CMAKE_CXX_IMPLICIT_INCLUDE_DIRECTORIES})
    list(FILTER cxx_headers INCLUDE REGEX "/c\\+\\+/")
    list(TRANSFORM cxx_headers PREPEND -isystem)
    target_compile_options(${target} PRIVATE --sysroot=${root} -nostdinc++ ${cxx_headers}
        -ffile-prefix-map=${root}/=sysroot/)
    # The compiler searches this system's library folder before the root's: -B and -L put the root's
    # start files and libraries first. libpthread follows the C++ runtime, which needs it on 2.31.
    target_link_options(${target} PRIVATE --sysroot=${root} -B${lib}/ -L${lib} -static-libstdc++ -static-libgcc
        -pthread)
    target_link_libraries(${target} PRIVATE ${lib}/libzstd.a)
    target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/cmake/OldGlibc.cpp)
    if(AUTORUN_SANITIZE)
        # The sanitizers' runtimes are built for this system's glibc.
        target_compile_options(${target} PRIVATE -fno-sanitize=all)
        target_link_options(${target} PRIVATE -fno-sanitize=all)
    endif()
endfunction()

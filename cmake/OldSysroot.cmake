# Programs built with the project's own compiler against a Debian 11 root, so that they need no
# newer glibc than 2.31 and start on Debian 11, Ubuntu 20.04 and later: every header and library
# comes from the root but the C++ runtime, which is this compiler's, linked in.
# scripts/make-sysroot.sh makes the root; a package a program needs goes into its list.

# One root for every build tree, made once (about three minutes, and 900 MB).
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

# autorun_build_against_old_sysroot(<target> [WITH_ZSTD]) compiles and links the target against the
# root, with zstd's static library from it where asked.
function(autorun_build_against_old_sysroot target)
    cmake_parse_arguments(PARSE_ARGV 1 arg "WITH_ZSTD" "" "")
    set(root ${AUTORUN_OLD_SYSROOT})
    set(lib ${root}/usr/lib/${CMAKE_LIBRARY_ARCHITECTURE})
    # The compiler's own C++ headers, to match the runtime linked in; the C headers are the root's.
    set(cxx_headers ${CMAKE_CXX_IMPLICIT_INCLUDE_DIRECTORIES})
    list(FILTER cxx_headers INCLUDE REGEX "/c\\+\\+/")
    list(TRANSFORM cxx_headers PREPEND -isystem)
    target_compile_options(${target} PRIVATE --sysroot=${root} -nostdinc++ ${cxx_headers}
        -ffile-prefix-map=${root}/=sysroot/)
    # The compiler searches this system's library folder before the root's: -B and -L put the root's
    # start files and libraries first, and -rpath-link their own dependencies. libpthread follows the
    # C++ runtime, which needs it on 2.31.
    target_link_options(${target} PRIVATE --sysroot=${root} -B${lib}/ -L${lib} -Wl,-rpath-link,${lib}
        -static-libstdc++ -static-libgcc -pthread)
    if(arg_WITH_ZSTD)
        target_link_libraries(${target} PRIVATE ${lib}/libzstd.a)
    endif()
    target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/cmake/OldGlibc.cpp)
    if(AUTORUN_SANITIZE)
        # The sanitizers' runtimes are built for this system's glibc.
        target_compile_options(${target} PRIVATE -fno-sanitize=all)
        target_link_options(${target} PRIVATE -fno-sanitize=all)
    endif()
endfunction()

# autorun_add_old_sysroot_program(<target> FROM <library targets...> SOURCES <files...>
#                                 PACKAGES <pkg-config modules...>)
# A program built against the root from the sources of those libraries, compiled again with their
# include folders and definitions (this system's builds of them ask for this system's glibc), and
# from the files; it links the root's libraries of the modules, which the root's pkg-config names.
function(autorun_add_old_sysroot_program target)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "FROM;SOURCES;PACKAGES")
    add_executable(${target} ${arg_SOURCES})
    foreach(library IN LISTS arg_FROM)
        get_target_property(sources ${library} SOURCES)
        get_target_property(folder ${library} SOURCE_DIR)
        list(TRANSFORM sources PREPEND ${folder}/ REGEX "^[^/]")
        target_sources(${target} PRIVATE ${sources})
        target_include_directories(${target} PRIVATE $<TARGET_PROPERTY:${library},INCLUDE_DIRECTORIES>)
        target_compile_definitions(${target} PRIVATE $<TARGET_PROPERTY:${library},COMPILE_DEFINITIONS>)
        # Their generated sources (the pictures' bytes) are made for the library.
        add_dependencies(${target} ${library})
    endforeach()
    if(arg_PACKAGES)
        find_package(PkgConfig REQUIRED)
        set(lib ${AUTORUN_OLD_SYSROOT}/usr/lib/${CMAKE_LIBRARY_ARCHITECTURE})
        set(pkg_config ${CMAKE_COMMAND} -E env PKG_CONFIG_SYSROOT_DIR=${AUTORUN_OLD_SYSROOT} PKG_CONFIG_PATH=
            PKG_CONFIG_LIBDIR=${lib}/pkgconfig:${AUTORUN_OLD_SYSROOT}/usr/share/pkgconfig ${PKG_CONFIG_EXECUTABLE})
        foreach(part cflags-only-I cflags-only-other libs)
            execute_process(COMMAND ${pkg_config} --${part} ${arg_PACKAGES}
                OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE failed ERROR_VARIABLE why)
            if(failed)
                message(FATAL_ERROR "The Debian 11 root ${AUTORUN_OLD_SYSROOT} lacks ${arg_PACKAGES} for ${target}: "
                    "${why}Its packages are listed in scripts/make-sysroot.sh.")
            endif()
            separate_arguments(${part} UNIX_COMMAND "${flags}")
        endforeach()
        # Their headers as the system's, so that warnings stay with our own code. The root's own
        # include folder is the compiler's already, after the C++ headers that #include_next into it.
        list(TRANSFORM cflags-only-I REPLACE "^-I" "")
        list(REMOVE_ITEM cflags-only-I ${AUTORUN_OLD_SYSROOT}/usr/include)
        target_include_directories(${target} SYSTEM PRIVATE ${cflags-only-I})
        target_compile_options(${target} PRIVATE ${cflags-only-other})
        target_link_libraries(${target} PRIVATE ${libs})
    endif()
    autorun_build_against_old_sysroot(${target})
endfunction()

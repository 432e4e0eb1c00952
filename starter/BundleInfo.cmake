# Writes OUT, the header that tells the starter which archive it belongs with, from the files
# bundle-linux.sh leaves in BUNDLE: the archive's SHA-256, its manifest, and what it needs of the
# desktop's own libraries; with the Qt version the program was built against, whether the
# desktop's own Qt may run it, and GTK_NEEDS, what the disc's GTK program needs of the desktop's own
# libraries (empty: the disc carries none).
file(STRINGS ${BUNDLE}/bundle.sha256 hash LIMIT_COUNT 1)
if(NOT hash MATCHES "^[0-9a-f]+$")
    message(FATAL_ERROR "${BUNDLE}/bundle.sha256 holds no SHA-256")
endif()
file(READ ${BUNDLE}/bundle.manifest manifest)
file(READ ${BUNDLE}/bundle.needs needs)
if(SYSTEM_QT)
    set(system_qt true)
else()
    set(system_qt false)
endif()
set(gtk_needs "")
set(gtk_program false)
if(GTK_NEEDS)
    file(READ ${GTK_NEEDS} gtk_needs)
    set(gtk_program true)
endif()
file(CONFIGURE OUTPUT ${OUT} CONTENT "// Made by BundleInfo.cmake for the archive this starter belongs with.
#pragma once

#include <string_view>

inline constexpr std::string_view kBundleSha256 = \"${hash}\";
// \"SHA-256 size mode path\" a line, for every file the archive holds but the manifest itself.
inline constexpr std::string_view kBundleManifest = R\"manifest(${manifest})manifest\";
// \"soname version\" a line: what the program and its libraries need of the desktop's own libraries.
inline constexpr std::string_view kBundleNeeds = R\"needs(${needs})needs\";
inline constexpr std::string_view kBuiltQtVersion = \"${QT_VERSION}\";
inline constexpr bool kUseSystemQt = ${system_qt};
// Whether the disc carries the GTK program autorun-gtk, and what it needs of the desktop, as above.
inline constexpr bool kGtkProgram = ${gtk_program};
inline constexpr std::string_view kGtkNeeds = R\"needs(${gtk_needs})needs\";
" @ONLY)

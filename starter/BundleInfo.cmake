# Writes OUT, the header that tells the starter which archive it belongs with: the SHA-256 in HASH_FILE,
# the Qt version the program was built against, and whether the desktop's own Qt may run it.
file(STRINGS ${HASH_FILE} hash LIMIT_COUNT 1)
if(NOT hash MATCHES "^[0-9a-f]+$")
    message(FATAL_ERROR "${HASH_FILE} holds no SHA-256")
endif()
if(SYSTEM_QT)
    set(system_qt true)
else()
    set(system_qt false)
endif()
file(CONFIGURE OUTPUT ${OUT} CONTENT "// Made by BundleInfo.cmake for the archive this starter belongs with.
#pragma once

#include <string_view>

inline constexpr std::string_view kBundleSha256 = \"${hash}\";
inline constexpr std::string_view kBuiltQtVersion = \"${QT_VERSION}\";
inline constexpr bool kUseSystemQt = ${system_qt};
")

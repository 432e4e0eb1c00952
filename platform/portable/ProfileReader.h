// Reads a value from a Windows-style settings file the way the Windows profile reader does,
// so the program finds the same values everywhere. Read-only: it never writes or caches a file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace autorun::profile {

// What GetPrivateProfileString copies into a buffer of bufferSize characters for key in section
// of the profile text `bytes` (or defaultValue when there is no such key): at most bufferSize-1 characters, UTF-8.
// The section and key asked for are trimmed of blanks first; the default loses its trailing spaces.
// Names and the default are UTF-8; the result is well-formed UTF-8 whenever the default is.
// The bytes are looked at pieceSize at a time, as a file is read; what comes back does not depend on it.
std::string Lookup(std::string_view bytes, std::string_view section, std::string_view key,
                   std::string_view defaultValue, std::size_t bufferSize, std::size_t pieceSize = SIZE_MAX);

// The same for a file, read a piece at a time, so that a large file costs little memory; a missing file,
// a folder, an unreadable or empty file give defaultValue (cut the same way). Never throws.
std::string ReadProfileString(std::string_view section, std::string_view key, std::string_view defaultValue,
                              std::size_t bufferSize, const std::filesystem::path& file);

} // namespace autorun::profile

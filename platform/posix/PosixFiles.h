// Maps the program's "\" path texts onto a POSIX file system, where a disc's names may be
// upper- or lower-cased. Nothing here creates, changes or caches a file.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace autorun::posix {

// The native path for a path text: "\" read as "/", empty components dropped; where a component's exact
// name is missing in its folder, the one entry whose name matches ignoring letter case is taken (discs are
// often mounted with upper- or lower-cased names). A text that begins with programFolder's own text
// (PathText) maps that part to programFolder itself: "\" is an ordinary character in a Linux name, so
// the folder's text cannot be split back into the names it came from. Nothing is created.
std::filesystem::path NativePath(std::string_view text, const std::filesystem::path& programFolder = {});

// The folder of the running executable, from /proc/self/exe. Throws Failure when it cannot be found.
std::filesystem::path ExecutableFolder();

// The path text for a native path: "/" written as "\", e.g. "\media\cdrom"; "\" for the root.
std::string PathText(const std::filesystem::path& native);

// The name of the normal file at the native path, or "" when none: a name beginning with "." counts as
// hidden and does not match; a folder never matches; a symlink to a regular file matches; a missing path
// or a missing or non-folder component gives "". Any other error of the lookup throws Failure.
std::string FindNormalFile(const std::filesystem::path& native);

} // namespace autorun::posix

// Unpacks the archive of the disc program's libraries (ustar, compressed with zstd) into a folder, and
// checks it is the very archive this starter was built with. Only plain files and folders with
// relative names are taken: anything else means the archive is damaged or not ours.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace autorun::starter {

// What went wrong, and where: the archive (a scratched or unreadable disc) or the folder (no space, no
// permission). reason names the file and the system's own reason.
struct UnpackError {
    enum class Source { Archive, Folder };
    Source source;
    std::string reason;
};

// Unpacks archive into the folder open as folderFd; nothing when every file is in place and the
// archive's SHA-256 is sha256.
std::optional<UnpackError> Unpack(const std::filesystem::path& archive, std::string_view sha256, int folderFd);

} // namespace autorun::starter

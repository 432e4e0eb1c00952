// Unpacks the archive of the disc program's libraries (ustar, compressed with zstd) into a folder, and
// checks it is the very archive this starter was built with. Only plain files and folders with
// relative names that its manifest lists, at the listed sizes, are taken: anything else means the
// archive is damaged or not ours.
#pragma once

#include <csignal>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace autorun::starter {

class Manifest;

// What went wrong, and where: the archive (a scratched or unreadable disc), the folder (no space, no
// permission), or a signal that asked the starter to stop. reason names the file and the system's own
// reason.
struct UnpackError {
    enum class Source { Archive, Folder, Stopped };
    Source source;
    std::string reason;
};

// Set from a signal handler: unpacking stops at its next read.
extern volatile std::sig_atomic_t gStopUnpacking;

// Unpacks archive into the folder open as folderFd; nothing when every file of the manifest is in
// place and the archive's SHA-256 is sha256.
std::optional<UnpackError> Unpack(const std::filesystem::path& archive, std::string_view sha256, const Manifest& manifest,
                                  int folderFd);

} // namespace autorun::starter

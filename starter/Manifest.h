// The list of files the bundle archive holds, built into the starter with the archive: it bounds what
// unpacking may write, and tells whether a folder unpacked by an earlier start is still whole.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace autorun::starter {

// The manifest's own name in the archive and in the unpacked folder.
inline constexpr std::string_view kManifestName = "bundle.manifest";

struct ManifestEntry {
    std::string sha256;
    std::uint64_t size = 0;
    bool executable = false;
    std::string path; // relative, "/" between folders
};

class Manifest {
public:
    // Lines of "SHA-256 size mode path"; the manifest's own text is an entry too, so that unpacking
    // takes nothing it does not list.
    explicit Manifest(std::string_view text);

    const std::vector<ManifestEntry>& Entries() const { return entries_; }
    const ManifestEntry* Find(std::string_view path) const;
    // Whether path is a folder some entry lies in.
    bool HasFolder(std::string_view path) const;
    // The platform plugins it carries ("xcb" for plugins/platforms/libqxcb.so).
    std::vector<std::string> Platforms() const;

    // What is wrong with the folder, or nothing when every file is there, the user's own, a plain file
    // of the listed size and, with contents, of the listed SHA-256.
    enum class Depth { Sizes, Contents };
    std::optional<std::string> Mismatch(const std::filesystem::path& folder, Depth depth) const;

private:
    std::vector<ManifestEntry> entries_;
};

} // namespace autorun::starter

#include "starter/Manifest.h"

#include "starter/Sha256.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace autorun::starter {
namespace {

std::string_view NextField(std::string_view& line)
{
    const std::size_t end = std::min(line.find(' '), line.size());
    const std::string_view field = line.substr(0, end);
    line.remove_prefix(std::min(end + 1, line.size()));
    return field;
}

std::optional<std::string> ContentMismatch(int fd, const ManifestEntry& entry)
{
    Sha256 hash;
    std::vector<char> buffer(1 << 16);
    for (;;) {
        const ssize_t got = read(fd, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return "\"" + entry.path + "\" cannot be read: " + std::strerror(errno);
        if (got == 0)
            break;
        hash.Add(buffer.data(), static_cast<std::size_t>(got));
    }
    if (hash.Hex() != entry.sha256)
        return "\"" + entry.path + "\" has changed";
    return std::nullopt;
}

} // namespace

Manifest::Manifest(std::string_view text)
{
    std::uint64_t ownSize = text.size();
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        if (line.empty())
            continue;
        ManifestEntry entry;
        entry.sha256 = NextField(line);
        const std::string_view size = NextField(line);
        std::from_chars(size.data(), size.data() + size.size(), entry.size);
        entry.executable = NextField(line) == "755";
        entry.path = line;
        entries_.push_back(std::move(entry));
    }
    entries_.push_back({"", ownSize, false, std::string(kManifestName)});
}

const ManifestEntry* Manifest::Find(std::string_view path) const
{
    const auto found = std::find_if(entries_.begin(), entries_.end(),
                                    [&](const ManifestEntry& entry) { return entry.path == path; });
    return found == entries_.end() ? nullptr : &*found;
}

bool Manifest::HasFolder(std::string_view path) const
{
    return std::any_of(entries_.begin(), entries_.end(), [&](const ManifestEntry& entry) {
        return entry.path.size() > path.size() && entry.path.starts_with(path) && entry.path[path.size()] == '/';
    });
}

std::vector<std::string> Manifest::Platforms() const
{
    constexpr std::string_view kFolder = "plugins/platforms/libq";
    constexpr std::string_view kEnd = ".so";
    std::vector<std::string> platforms;
    for (const ManifestEntry& entry : entries_) {
        const std::string_view path = entry.path;
        if (path.starts_with(kFolder) && path.ends_with(kEnd) && path.find('/', kFolder.size()) == std::string_view::npos)
            platforms.emplace_back(path.substr(kFolder.size(), path.size() - kFolder.size() - kEnd.size()));
    }
    return platforms;
}

std::optional<std::string> Manifest::Mismatch(const std::filesystem::path& folder, Depth depth) const
{
    for (const ManifestEntry& entry : entries_) {
        const int fd = open((folder / entry.path).c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0)
            return "\"" + entry.path + "\" " + (errno == ENOENT ? std::string("is missing") : std::strerror(errno));
        struct stat info {};
        std::optional<std::string> wrong;
        if (fstat(fd, &info) != 0)
            wrong = "\"" + entry.path + "\": " + std::strerror(errno);
        else if (!S_ISREG(info.st_mode) || info.st_uid != getuid() || (info.st_mode & 022) != 0)
            wrong = "\"" + entry.path + "\" is not a file of this user's alone";
        else if (static_cast<std::uint64_t>(info.st_size) != entry.size)
            wrong = "\"" + entry.path + "\" has " + std::to_string(info.st_size) + " bytes, not " +
                    std::to_string(entry.size);
        else if (entry.executable && (info.st_mode & S_IXUSR) == 0)
            wrong = "\"" + entry.path + "\" cannot be run";
        else if (depth == Depth::Contents && !entry.sha256.empty())
            wrong = ContentMismatch(fd, entry);
        close(fd);
        if (wrong)
            return wrong;
    }
    return std::nullopt;
}

} // namespace autorun::starter

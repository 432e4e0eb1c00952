// The folders the bundle may be unpacked in, and what earlier starts left there. Only folders that are
// the user's own are trusted: anyone who can write to them can choose the program the user runs.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace autorun::starter {

// $XDG_RUNTIME_DIR, when it is a folder (not a link to one) of this user's with no access for anyone
// else, as the XDG base directory rules require of it. Otherwise nothing, and why (empty where it is
// not set at all).
std::optional<std::filesystem::path> RuntimeFolder(std::string& why);

// /tmp/autorun-<uid>, made now where it is missing and made private where it is the user's but not
// private; nothing, and why, where it is not the user's own.
std::optional<std::filesystem::path> TemporaryFolder(std::string& why);

// Folders an unpacking start works in, named ".<final name>-XXXXXX": made and held while the start
// lives, so that later starts can tell those whose start was killed and remove them.
class WorkFolder {
public:
    WorkFolder(const std::filesystem::path& place, std::string_view finalName);
    ~WorkFolder();
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;

    // -1 when it could not be made; errno says why.
    int Fd() const { return fd_; }
    const std::filesystem::path& Path() const { return path_; }
    // Moves it into place as final, exchanging it with a folder already there (damaged, or put there by
    // a start that got there first), which is then removed. Returns errno, or 0.
    int PutInPlace(const std::filesystem::path& final, bool replace);
    void Remove();

private:
    std::filesystem::path path_;
    int fd_ = -1;
};

// Removes from place the work folders of starts that are gone, and bundle folders of other versions
// that no start has used for a week; keep is the bundle folder of this start's version.
void Tidy(const std::filesystem::path& place, std::string_view keep);

// Marks a bundle folder used now, which keeps Tidy from it.
void MarkUsed(const std::filesystem::path& folder);

} // namespace autorun::starter

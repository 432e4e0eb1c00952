// The folder the program was started from, as found at start-up. A disc unmounted or taken out while
// the program runs leaves that path missing, or naming the empty folder it was mounted on, and
// /proc/self/exe then names a path inside the detached disc. Remembering which folder it was lets the
// program say that the disc is gone instead of taking some other folder for it.
#pragma once

#include <filesystem>

#include <sys/types.h>

namespace autorun::posix {

class LaunchFolder {
public:
    // Throws Failure when the folder cannot be examined.
    explicit LaunchFolder(std::filesystem::path folder);

    const std::filesystem::path& Path() const { return path_; }

    // Throws Failure, naming the folder, once its path no longer leads to the folder found at start-up.
    void ExpectPresent() const;

private:
    std::filesystem::path path_;
    dev_t device_ = 0;
    ino_t inode_ = 0;
};

} // namespace autorun::posix

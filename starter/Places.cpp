#include "starter/Places.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace autorun::starter {
namespace {

constexpr auto kUnusedBundleAge = std::chrono::hours(24 * 7);

std::string Quoted(const fs::path& path)
{
    return "\"" + path.string() + "\"";
}

std::string UserName(uid_t uid)
{
    const passwd* user = getpwuid(uid);
    return user != nullptr ? "\"" + std::string(user->pw_name) + "\" (" + std::to_string(uid) + ")"
                           : std::to_string(uid);
}

// The folder at path opened without following a link, if it is this user's own; why not otherwise,
// and whether another user owns it.
int OwnFolder(const fs::path& path, struct stat& info, std::string& why, bool& foreign)
{
    struct stat seen {};
    if (lstat(path.c_str(), &seen) != 0) {
        why = Quoted(path) + ": " + std::strerror(errno);
        return -1;
    }
    foreign = seen.st_uid != getuid();
    if (foreign) {
        why = Quoted(path) + " belongs to the user " + UserName(seen.st_uid) + ", not to this one";
        return -1;
    }
    if (!S_ISDIR(seen.st_mode)) {
        why = Quoted(path) + " is not a folder";
        return -1;
    }
    const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0 || fstat(fd, &info) != 0 || info.st_ino != seen.st_ino || info.st_dev != seen.st_dev ||
        info.st_uid != getuid()) {
        why = Quoted(path) + " changed while it was looked at";
        if (fd >= 0)
            close(fd);
        return -1;
    }
    return fd;
}

// Holds the place's own lock: shared while a start makes and claims a work folder, exclusive while one
// tidies, so that no work folder is seen unclaimed between the two.
class PlaceLock {
public:
    PlaceLock(const fs::path& place, int how) : fd_(open(place.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
    {
        if (fd_ >= 0)
            while (flock(fd_, how) != 0 && errno == EINTR) {
            }
    }
    ~PlaceLock()
    {
        if (fd_ >= 0)
            close(fd_);
    }
    PlaceLock(const PlaceLock&) = delete;
    PlaceLock& operator=(const PlaceLock&) = delete;

private:
    int fd_;
};

bool IsBundleName(std::string_view name)
{
    constexpr std::string_view kPrefix = "autorun-";
    return name.size() == kPrefix.size() + 16 && name.starts_with(kPrefix) &&
           name.find_first_not_of("0123456789abcdef", kPrefix.size()) == std::string_view::npos;
}

} // namespace

std::optional<fs::path> RuntimeFolder(std::string& why)
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime == nullptr || runtime[0] == '\0')
        return std::nullopt;
    const fs::path path = runtime;
    if (!path.is_absolute()) {
        why = "$XDG_RUNTIME_DIR " + Quoted(path) + " is not an absolute path";
        return std::nullopt;
    }
    struct stat info {};
    bool foreign = false;
    const int fd = OwnFolder(path, info, why, foreign);
    if (fd < 0) {
        why = "$XDG_RUNTIME_DIR: " + why;
        return std::nullopt;
    }
    close(fd);
    if ((info.st_mode & 077) != 0) {
        why = "$XDG_RUNTIME_DIR " + Quoted(path) + " is open to other users";
        return std::nullopt;
    }
    return path;
}

std::optional<fs::path> TemporaryFolder(std::string& why)
{
    const fs::path path = "/tmp/autorun-" + std::to_string(getuid());
    if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        why = Quoted(path) + ": " + std::strerror(errno);
        return std::nullopt;
    }
    struct stat info {};
    bool foreign = false;
    const int fd = OwnFolder(path, info, why, foreign);
    if (fd < 0) {
        if (foreign)
            why += ", who may have put programs in it; remove it, or start the disc in a session that sets "
                   "$XDG_RUNTIME_DIR";
        return std::nullopt;
    }
    // /tmp is shared, but only its owner can change or replace a folder of the user's in it.
    const bool made = (info.st_mode & 077) == 0 || fchmod(fd, 0700) == 0;
    if (!made)
        why = Quoted(path) + " cannot be made private: " + std::strerror(errno);
    close(fd);
    return made ? std::optional(path) : std::nullopt;
}

WorkFolder::WorkFolder(const fs::path& place, std::string_view finalName)
{
    const PlaceLock lock(place, LOCK_SH);
    std::string name = (place / ("." + std::string(finalName) + "-XXXXXX")).string();
    if (mkdtemp(name.data()) == nullptr)
        return;
    path_ = name;
    fd_ = open(name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd_ >= 0)
        flock(fd_, LOCK_EX);
}

WorkFolder::~WorkFolder()
{
    if (fd_ >= 0)
        close(fd_);
}

int WorkFolder::PutInPlace(const fs::path& final, bool replace)
{
    if (rename(path_.c_str(), final.c_str()) == 0)
        return 0;
    const int failure = errno;
    if (!replace || (failure != EEXIST && failure != ENOTEMPTY))
        return failure;
    if (renameat2(AT_FDCWD, path_.c_str(), AT_FDCWD, final.c_str(), RENAME_EXCHANGE) != 0)
        return errno;
    Remove();
    return 0;
}

void WorkFolder::Remove()
{
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

void Tidy(const fs::path& place, std::string_view keep)
{
    const PlaceLock lock(place, LOCK_EX);
    DIR* folder = opendir(place.c_str());
    if (folder == nullptr)
        return;
    const auto now = std::chrono::system_clock::now();
    while (const dirent* entry = readdir(folder)) {
        const std::string_view name = entry->d_name;
        const fs::path path = place / entry->d_name;
        std::error_code ignored;
        if (name.starts_with(".autorun-") && IsBundleName(name.substr(1, 24))) {
            // A work folder whose start still unpacks into it is locked.
            const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) == 0)
                fs::remove_all(path, ignored);
            if (fd >= 0)
                close(fd);
        } else if (IsBundleName(name) && name != keep) {
            struct stat info {};
            if (lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
                now - std::chrono::system_clock::from_time_t(info.st_mtime) > kUnusedBundleAge)
                fs::remove_all(path, ignored);
        }
    }
    closedir(folder);
}

void MarkUsed(const fs::path& folder)
{
    utimensat(AT_FDCWD, folder.c_str(), nullptr, 0);
}

} // namespace autorun::starter

#include "platform/posix/LaunchFolder.h"

#include "app/Failure.h"

#include <cerrno>
#include <string>
#include <system_error>

#include <sys/stat.h>

namespace autorun::posix {

LaunchFolder::LaunchFolder(std::filesystem::path folder) : path_(std::move(folder))
{
    struct stat info {};
    if (stat(path_.c_str(), &info) != 0) {
        const int error = errno;
        throw Failure(error, "Cannot examine the folder \"" + path_.string() + "\" the program was started from: " +
                                 std::generic_category().message(error));
    }
    device_ = info.st_dev;
    inode_ = info.st_ino;
}

void LaunchFolder::ExpectPresent() const
{
    struct stat info {};
    int error = 0;
    if (stat(path_.c_str(), &info) != 0)
        error = errno;
    else if (info.st_dev != device_ || info.st_ino != inode_)
        error = ENODEV; // another folder at the same path: the disc's mount point, once it is unmounted
    if (error != 0)
        throw Failure(error, "The disc or folder the program was started from, \"" + path_.string() +
                                 "\", is no longer available: " + std::generic_category().message(error));
}

} // namespace autorun::posix

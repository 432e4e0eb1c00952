// The disc's /autorun: starts the Linux launcher in seconds from an optical drive. Where the desktop's
// own Qt can run it, the launcher runs on that Qt and nothing else is read from the disc. Otherwise the
// launcher with its libraries comes from one compressed archive on the disc, read in one pass and
// unpacked into the user's runtime folder, where later starts in the session find it. The launcher is
// told the disc is its launch folder; nothing else of the starter's reaches it or what it starts.
#include "app/CommandLine.h"
#include "starter/BundleArchive.h"
#include "starter/Notice.h"
#include "starter/SystemQt.h"

#include "BundleInfo.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace autorun::starter;

namespace {

// The folder names carry this much of the archive's hash.
constexpr std::size_t kHashInName = 16;

std::string Reason(int error)
{
    return std::strerror(error);
}

// Where the bundle may be unpacked, in order: the user's runtime folder, then a folder of the user's own
// under /tmp, made private (0700) and trusted only if it is the user's and no one else's.
std::vector<fs::path> Places(std::vector<std::string>& refused)
{
    std::vector<fs::path> places;
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr && runtime[0] == '/')
        places.emplace_back(runtime);
    const fs::path own = "/tmp/autorun-" + std::to_string(getuid());
    struct stat info {};
    if (mkdir(own.c_str(), 0700) != 0 && errno != EEXIST)
        refused.push_back("\"" + own.string() + "\": " + Reason(errno));
    else if (lstat(own.c_str(), &info) != 0)
        refused.push_back("\"" + own.string() + "\": " + Reason(errno));
    else if (!S_ISDIR(info.st_mode) || info.st_uid != getuid() || (info.st_mode & 077) != 0)
        refused.push_back("\"" + own.string() + "\" is not a private folder of this user's");
    else
        places.push_back(own);
    return places;
}

// Reads a file from the disc once, front to back, into the page cache: the loader would fault its
// pages in as it needs them, scattered, and a drive pays about 100 ms for every jump.
void ReadAhead(const fs::path& file)
{
    const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return; // exec will say what is wrong
    posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    std::vector<char> buffer(1 << 20);
    while (read(fd, buffer.data(), buffer.size()) > 0) {
    }
    close(fd);
}

[[noreturn]] void Run(const fs::path& program, char* argv[])
{
    execv(program.c_str(), argv);
    const int error = errno;
    Tell("cannot start \"" + program.string() + "\": " + Reason(error));
    std::exit(1);
}

// The bundle unpacked in a folder of base: found from an earlier start, or unpacked now. Returns the
// program to run, or "" with the reason added to refused. A damaged archive ends the starter.
fs::path Unpacked(const fs::path& base, const fs::path& archive, std::vector<std::string>& refused)
{
    const std::string name = "autorun-" + std::string(kBundleSha256.substr(0, kHashInName));
    const fs::path folder = base / name;
    const fs::path program = folder / "autorun";
    struct statvfs volume {};
    if (statvfs(base.c_str(), &volume) == 0 && (volume.f_flag & ST_NOEXEC) != 0) {
        refused.push_back("\"" + base.string() + "\" cannot run programs (its file system is mounted noexec)");
        return {};
    }
    // Only a folder that was renamed into place complete is trusted.
    if (access(program.c_str(), X_OK) == 0)
        return program;
    std::string temporary = (base / ("." + name + "-XXXXXX")).string();
    if (mkdtemp(temporary.data()) == nullptr) {
        refused.push_back("cannot make a folder in \"" + base.string() + "\": " + Reason(errno));
        return {};
    }
    const int folderFd = open(temporary.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    std::optional<UnpackError> error;
    if (folderFd < 0)
        error = UnpackError{UnpackError::Source::Folder, Reason(errno)};
    else
        error = Unpack(archive, kBundleSha256, folderFd);
    if (folderFd >= 0)
        close(folderFd);
    std::error_code ignored;
    if (error) {
        fs::remove_all(temporary, ignored);
        if (error->source == UnpackError::Source::Archive) {
            Tell("The launcher cannot start: " + error->reason +
                 ". The disc may be scratched or dirty; clean it and try again.");
            std::exit(1);
        }
        refused.push_back("cannot unpack into \"" + base.string() + "\": " + error->reason);
        return {};
    }
    if (rename(temporary.c_str(), folder.c_str()) != 0) {
        const int failure = errno;
        fs::remove_all(temporary, ignored);
        // Another start unpacked the same archive first.
        if ((failure == EEXIST || failure == ENOTEMPTY) && access(program.c_str(), X_OK) == 0)
            return program;
        refused.push_back("cannot put the folder \"" + folder.string() + "\" in place: " + Reason(failure));
        return {};
    }
    return program;
}

} // namespace

int main(int argc, char* argv[])
{
    if (const std::optional<int> status = autorun::AnswerCommandLine(argc, argv, AUTORUN_VERSION_TEXT))
        return *status;
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    if (error || !self.is_absolute()) {
        Tell("cannot find the disc this program was started from: " + error.message());
        return 1;
    }
    const fs::path disc = self.parent_path();
    // The launcher takes this for its launch folder and removes it from its environment.
    setenv("AUTORUN_LAUNCH_FOLDER", disc.c_str(), 1);
    const fs::path own = disc / "autorun-linux";
    if (kUseSystemQt && SystemQtCanRun(kBuiltQtVersion)) {
        ReadAhead(own / "autorun");
        Run(own / "autorun", argv);
    }

    std::vector<std::string> refused;
    for (const fs::path& base : Places(refused)) {
        const fs::path program = Unpacked(base, own / "bundle.tar.zst", refused);
        if (program.empty())
            continue;
        execv(program.c_str(), argv);
        refused.push_back("cannot start \"" + program.string() + "\": " + Reason(errno));
    }
    std::string message = "The launcher cannot start: there is no folder to unpack its libraries into.";
    for (const std::string& reason : refused)
        message += "\n- " + reason;
    Tell(message);
    return 1;
}

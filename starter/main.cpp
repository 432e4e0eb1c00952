// The disc's /autorun: starts the Linux launcher in seconds from an optical drive. Where the desktop's
// own Qt can run it, the launcher runs on that Qt and nothing else is read from the disc. Otherwise the
// launcher with its libraries comes from one compressed archive on the disc, read in one pass and
// unpacked into a folder of the user's own, where later starts find it, checked against the manifest
// it was built with. The launcher is told the disc is its launch folder; nothing else of the starter's
// reaches it or what it starts. The starter stays until the launcher's first window shows: whatever
// keeps the launcher from the screen, the user is told why and the disc's folder opens.
#include "app/CommandLine.h"
#include "starter/BundleArchive.h"
#include "starter/Launch.h"
#include "starter/Manifest.h"
#include "starter/Notice.h"
#include "starter/Places.h"
#include "starter/SystemLibraries.h"
#include "starter/SystemQt.h"

#include "BundleInfo.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace autorun::starter;

namespace {

// The folder names carry this much of the archive's hash.
constexpr std::size_t kHashInName = 16;

volatile std::sig_atomic_t gStopSignal = 0;

std::string Reason(int error)
{
    return std::strerror(error);
}

std::string Quoted(const fs::path& path)
{
    return "\"" + path.string() + "\"";
}

// The launcher's failure as a sentence: what it said may end with a full stop of its own.
std::string StoppedText(const fs::path& program, const std::string& reason)
{
    const std::string text = "The launcher " + Quoted(program) + " stopped before its window showed: " + reason;
    return text.ends_with('.') ? text : text + ".";
}

// Why the launcher is not there, in a box, with the disc's folder opened beside it. The file manager
// gets the user's environment, as the launcher's children would.
int Fail(const std::string& message, const fs::path& disc)
{
    unsetenv("AUTORUN_LAUNCH_FOLDER");
    TellAndOpen(message + "\n\nThe disc's folder " + Quoted(disc) + " opens, so that its files are still in reach.", disc);
    return 1;
}

// Reads a file from the disc once, front to back, into the page cache: the loader would fault its
// pages in as it needs them, scattered, and a drive pays about 100 ms for every jump.
void ReadAhead(const fs::path& file)
{
    const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return; // running it will say what is wrong
    posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    std::vector<char> buffer(1 << 20);
    while (read(fd, buffer.data(), buffer.size()) > 0) {
    }
    close(fd);
}

// While unpacking, a signal to end (a logout's SIGTERM, Ctrl+C) first removes the half-made folder.
class StopsCleanly {
public:
    StopsCleanly()
    {
        struct sigaction action {};
        action.sa_handler = [](int signal) {
            gStopSignal = signal;
            gStopUnpacking = 1;
        };
        for (std::size_t i = 0; i < std::size(kSignals); ++i)
            sigaction(kSignals[i], &action, &previous_[i]);
    }
    ~StopsCleanly()
    {
        for (std::size_t i = 0; i < std::size(kSignals); ++i)
            sigaction(kSignals[i], &previous_[i], nullptr);
        if (gStopSignal != 0)
            raise(gStopSignal);
    }
    StopsCleanly(const StopsCleanly&) = delete;
    StopsCleanly& operator=(const StopsCleanly&) = delete;

private:
    static constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
    struct sigaction previous_[std::size(kSignals)] {};
};

struct Bundle {
    const fs::path& archive;
    const Manifest& manifest;
    std::string name; // of the folder it is unpacked into
};

// The bundle unpacked in place, whole: found from an earlier start, or unpacked now (replacing a folder
// that is no longer whole, or, with replace, one that is). Returns the folder, or nothing with the
// reason added to refused. A damaged archive ends the starter.
std::optional<fs::path> Unpacked(const fs::path& place, const Bundle& bundle, const fs::path& disc, bool replace,
                                 std::vector<std::string>& refused)
{
    struct statvfs volume {};
    if (statvfs(place.c_str(), &volume) == 0 && (volume.f_flag & ST_NOEXEC) != 0) {
        refused.push_back(Quoted(place) + " cannot run programs (its file system is mounted noexec)");
        return std::nullopt;
    }
    Tidy(place, bundle.name);
    const fs::path folder = place / bundle.name;
    std::error_code error;
    const bool there = fs::exists(fs::symlink_status(folder, error));
    if (there && !replace) {
        const std::optional<std::string> mismatch = bundle.manifest.Mismatch(folder, Manifest::Depth::Sizes);
        if (!mismatch) {
            MarkUsed(folder);
            return folder;
        }
        Say(Quoted(folder) + " is no longer whole (" + *mismatch + "); it is unpacked again.");
    }
    std::optional<UnpackError> failure;
    WorkFolder work(place, bundle.name);
    if (work.Fd() < 0) {
        refused.push_back("cannot make a folder in " + Quoted(place) + ": " + Reason(errno));
        return std::nullopt;
    }
    {
        const StopsCleanly stops;
        failure = Unpack(bundle.archive, kBundleSha256, bundle.manifest, work.Fd());
        if (failure)
            work.Remove();
    }
    if (failure) {
        if (failure->source == UnpackError::Source::Archive)
            std::exit(Fail("The launcher cannot start: " + failure->reason +
                               ". The disc may be scratched or dirty; clean it and try again.",
                           disc));
        refused.push_back("cannot unpack into " + Quoted(place) + ": " + failure->reason);
        return std::nullopt;
    }
    // Another start may have put a whole folder in place meanwhile: either is as good.
    const bool replaceThere = replace || (fs::exists(fs::symlink_status(folder, error)) &&
                                          bundle.manifest.Mismatch(folder, Manifest::Depth::Sizes));
    if (const int putFailure = work.PutInPlace(folder, replaceThere); putFailure != 0) {
        work.Remove();
        if ((putFailure == EEXIST || putFailure == ENOTEMPTY) && !bundle.manifest.Mismatch(folder, Manifest::Depth::Sizes))
            return folder;
        refused.push_back("cannot put the folder " + Quoted(folder) + " in place: " + Reason(putFailure));
        return std::nullopt;
    }
    return folder;
}

// The platform the bundled Qt is to use: where the user's QT_QPA_PLATFORM names none it carries (a
// Wayland session's "wayland"), Qt would abort; the launcher is told to use X11 instead.
std::vector<char*> BundleArguments(int argc, char* argv[], const Manifest& manifest)
{
    std::vector<char*> arguments(argv, argv + argc);
    const char* asked = std::getenv("QT_QPA_PLATFORM");
    if (asked != nullptr && *asked != '\0') {
        const std::vector<std::string> carried = manifest.Platforms();
        bool found = false;
        for (std::string_view list = asked; !list.empty() && !found;) {
            const std::size_t end = std::min(list.find(';'), list.size());
            const std::string_view entry = list.substr(0, end);
            list.remove_prefix(std::min(end + 1, list.size()));
            found = std::find(carried.begin(), carried.end(), entry.substr(0, entry.find(':'))) != carried.end();
        }
        if (!found) {
            Say(std::string("QT_QPA_PLATFORM names \"") + asked +
                 "\", which this disc's launcher does not carry; it runs on X11 (xcb).");
            static char platform[] = "-platform";
            static char xcb[] = "xcb";
            arguments.insert(arguments.begin() + 1, {platform, xcb});
        }
    }
    arguments.push_back(nullptr);
    return arguments;
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
    // Nothing is read from the disc for a window that cannot show.
    if (!HasDisplay()) {
        Tell("there is no display to show the window on (neither DISPLAY nor WAYLAND_DISPLAY is set).");
        return 1;
    }
    const fs::path disc = self.parent_path();
    // The launcher takes this for its launch folder and removes it from its environment.
    setenv("AUTORUN_LAUNCH_FOLDER", disc.c_str(), 1);
    const fs::path own = disc / "autorun-linux";

    // The launcher needs the desktop's C library and C++ runtime at least as new as those it was built
    // with, whichever Qt it runs on.
    if (const std::vector<std::string> shortfalls = Shortfalls(kBundleNeeds); !shortfalls.empty()) {
        std::string message = "The launcher on this disc needs a newer Linux system than this one. It needs:";
        for (const std::string& shortfall : shortfalls)
            message += "\n- " + shortfall;
        return Fail(message, disc);
    }

    std::string systemQtFailure;
    if (kUseSystemQt && SystemQtCanRun(kBuiltQtVersion)) {
        const fs::path program = own / "autorun";
        ReadAhead(program);
        const Launch launch = RunUntilShown(program, argv);
        if (launch.outcome == Launch::Outcome::Shown || launch.outcome == Launch::Outcome::Ended)
            return 0;
        if (launch.saidWhy)
            return Fail(StoppedText(program, launch.reason), disc);
        // The bundle carries its own Qt: it may start where the desktop's did not.
        const std::string why = launch.outcome == Launch::Outcome::NotStarted
                                    ? "cannot start " + Quoted(program) + ": " + Reason(launch.error)
                                    : Quoted(program) + " stopped before its window showed: " + launch.reason;
        Say(why + "; trying the launcher with its own Qt.");
        systemQtFailure = "On this desktop's Qt, " + why + ".\n";
    }

    const Manifest manifest(kBundleManifest);
    const Bundle bundle{own / "bundle.tar.zst", manifest, "autorun-" + std::string(kBundleSha256.substr(0, kHashInName))};
    std::vector<char*> arguments = BundleArguments(argc, argv, manifest);
    std::vector<std::string> refused;
    std::string why;
    std::optional<fs::path> runtime = RuntimeFolder(why);
    if (!why.empty())
        Say(why + "; the launcher is unpacked elsewhere.");
    bool temporaryTried = false;
    for (;;) {
        std::optional<fs::path> place = runtime;
        runtime.reset();
        if (!place && !temporaryTried) {
            temporaryTried = true;
            why.clear();
            place = TemporaryFolder(why);
            if (!place)
                refused.push_back(why);
        }
        if (!place)
            break;
        for (bool again = false;; again = true) {
            const std::optional<fs::path> folder = Unpacked(*place, bundle, disc, again, refused);
            if (!folder)
                break;
            const fs::path program = *folder / "autorun";
            const Launch launch = RunUntilShown(program, arguments.data());
            if (launch.outcome == Launch::Outcome::Shown || launch.outcome == Launch::Outcome::Ended)
                return 0;
            if (launch.outcome == Launch::Outcome::NotStarted) {
                refused.push_back("cannot start " + Quoted(program) + ": " + Reason(launch.error));
                break;
            }
            // A folder changed since the last look (same sizes, other bytes) is unpacked once more.
            if (!again && manifest.Mismatch(*folder, Manifest::Depth::Contents)) {
                Say(Quoted(program) + " stopped before its window showed, and its folder has changed; it is unpacked again.");
                continue;
            }
            return Fail(StoppedText(program, launch.reason), disc);
        }
    }
    std::string message = systemQtFailure + "The launcher cannot start: there is no folder to unpack its libraries into.";
    for (const std::string& reason : refused)
        message += "\n- " + reason;
    return Fail(message, disc);
}

// The disc's /autorun: starts the Linux launcher in seconds from an optical drive, by the fastest route
// this desktop allows (kFastestFirst below). Where the desktop's GTK 3 can run the disc's GTK program
// autorun-linux/autorun-gtk, or the desktop's own Qt the Qt program autorun-linux/autorun, the launcher
// runs on it and nothing else is read from the disc. Otherwise the launcher with its libraries comes
// from one compressed archive on the disc, read in one pass and unpacked into a folder of the user's
// own, where later starts find it, checked against the manifest it was built with. The launcher is told
// the disc is its launch folder; nothing else of the starter's reaches it or what it starts. The starter
// stays until the launcher's first window shows: a route that fails before then gives way to the next,
// and whatever keeps the launcher from the screen, the user is told why and the disc's folder opens.
//   AUTORUN_ROUTE=gtk, qt or bundle  takes that route alone (the desktop's GTK 3, the desktop's Qt 6, the
//                                    Qt of the disc's archive); where it cannot run, a box says why.
//                                    Unset or empty: the fastest.
//   AUTORUN_SAY_ROUTE=1              one line on standard error names the route taken, or the box.
#include "app/CommandLine.h"
#include "starter/BundleArchive.h"
#include "starter/Launch.h"
#include "starter/Manifest.h"
#include "starter/Notice.h"
#include "starter/Places.h"
#include "starter/SystemGtk.h"
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
#include <string_view>
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

// The ways to the launcher's window.
enum class Route {
    DesktopGtk, // the GTK program on the desktop's GTK 3
    DesktopQt,  // the Qt program on the desktop's Qt 6
    Bundle,     // the Qt program with its own Qt, unpacked from the disc's archive
};

// Fastest first. A route that cannot run here is passed over; one that fails before its window shows
// gives way to the next. After the last, the box.
constexpr Route kFastestFirst[] = {Route::DesktopGtk, Route::DesktopQt, Route::Bundle};

// What AUTORUN_ROUTE calls each route, and how the user reads it, in the order of Route.
struct RouteText {
    std::string_view word;
    std::string_view name;
};
constexpr RouteText kRouteTexts[] = {
    {"gtk", "the desktop's GTK 3"},
    {"qt", "the desktop's Qt 6"},
    {"bundle", "its own Qt, unpacked from the disc"},
};

std::string_view Word(Route route)
{
    return kRouteTexts[static_cast<std::size_t>(route)].word;
}

std::string Name(Route route)
{
    return std::string(kRouteTexts[static_cast<std::size_t>(route)].name);
}

// Said at the head of any box: the route AUTORUN_ROUTE asked for, and the routes that failed before.
std::string gEarlier;

// With AUTORUN_SAY_ROUTE=1, how the start ended, in one line on standard error.
void SayRoute(const std::string& how)
{
    const char* asked = std::getenv("AUTORUN_SAY_ROUTE");
    if (asked != nullptr && std::string_view(asked) == "1")
        Say(how);
}

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
    SayRoute("the launcher does not run; a box says why, beside the disc's folder");
    TellAndOpen(gEarlier + message + "\n\nThe disc's folder " + Quoted(disc) + " opens, so that its files are still in reach.", disc);
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

// The starter's own file, read the same way before its code runs on: the loader faults the starter's
// pages in as its code jumps about, and on a drive the reads came scattered over seven places.
[[gnu::constructor(101)]] void ReadSelfAhead()
{
    const int fd = open("/proc/self/exe", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    char buffer[1 << 16];
    while (read(fd, buffer, sizeof buffer) > 0) {
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

// The bundle's route, which ends the start either way: the launcher's window, or a box.
int RunBundle(int argc, char* argv[], const fs::path& disc, const fs::path& own)
{
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
            if (launch.outcome == Launch::Outcome::Shown || launch.outcome == Launch::Outcome::Ended) {
                SayRoute("the launcher runs on " + Name(Route::Bundle));
                return 0;
            }
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
    std::string message = "The launcher cannot start: there is no folder to unpack its libraries into.";
    for (const std::string& reason : refused)
        message += "\n- " + reason;
    return Fail(message, disc);
}

// What the Qt program needs of the desktop's C library and C++ runtime, whichever Qt it runs on: looked
// up once, and only when a Qt route is weighed.
const std::vector<std::string>& QtShortfalls()
{
    static const std::vector<std::string> shortfalls = Shortfalls(kBundleNeeds);
    return shortfalls;
}

std::string Joined(const std::vector<std::string>& texts)
{
    std::string joined;
    for (const std::string& text : texts)
        joined += (joined.empty() ? "" : "; ") + text;
    return joined;
}

// Why the route cannot run on this desktop; nothing when it may.
std::optional<std::string> CannotRun(Route route)
{
    switch (route) {
    case Route::DesktopGtk:
        if (!kGtkProgram)
            return "this disc carries no GTK program";
        if (const std::vector<std::string> shortfalls = Shortfalls(kGtkNeeds); !shortfalls.empty())
            return "it needs " + Joined(shortfalls);
        return SystemGtkMissing();
    case Route::DesktopQt:
        if (!kUseSystemQt)
            return "this disc's starter does not use the desktop's Qt";
        if (!QtShortfalls().empty())
            return "it needs a newer Linux system: " + Joined(QtShortfalls());
        if (!SystemQtCanRun(kBuiltQtVersion))
            return "this desktop has no Qt " + std::string(kBuiltQtVersion) +
                   " or later with its xcb platform plugin and JPEG image plugin";
        return std::nullopt;
    case Route::Bundle:
        if (!QtShortfalls().empty())
            return "it needs a newer Linux system: " + Joined(QtShortfalls());
        return std::nullopt;
    }
    return std::nullopt;
}

// The routes AUTORUN_ROUTE allows, or nothing when it names none.
std::optional<std::vector<Route>> RoutesAsked(bool& forced)
{
    const char* asked = std::getenv("AUTORUN_ROUTE");
    forced = asked != nullptr && *asked != '\0';
    if (!forced) {
        std::vector<Route> routes;
        for (const Route route : kFastestFirst) {
            if ((route != Route::DesktopGtk || kGtkProgram) && (route != Route::DesktopQt || kUseSystemQt))
                routes.push_back(route);
        }
        return routes;
    }
    for (const Route route : kFastestFirst)
        if (Word(route) == asked)
            return std::vector<Route>{route};
    return std::nullopt;
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

    bool forced = false;
    const std::optional<std::vector<Route>> routes = RoutesAsked(forced);
    if (!routes) {
        std::string known;
        for (const Route route : kFastestFirst)
            known += std::string(known.empty() ? "" : ", ") + std::string(Word(route));
        return Fail("AUTORUN_ROUTE is \"" + std::string(std::getenv("AUTORUN_ROUTE")) +
                        "\", which names no way to start the launcher. It may be one of " + known +
                        ", or empty for the fastest.",
                    disc);
    }
    if (forced)
        gEarlier = "AUTORUN_ROUTE is \"" + std::string(Word(routes->front())) + "\": the launcher runs on " +
                   Name(routes->front()) + " or not at all.\n";

    // Routes that cannot run here, for the box should none be left.
    std::vector<std::string> passedOver;
    for (const Route route : *routes) {
        if (const std::optional<std::string> why = CannotRun(route)) {
            if (forced)
                return Fail("The launcher cannot run on " + Name(route) + ": " + *why + ".", disc);
            if (route == Route::DesktopGtk || QtShortfalls().empty())
                passedOver.push_back(Name(route) + ": " + *why);
            continue;
        }
        if (route == Route::Bundle)
            return RunBundle(argc, argv, disc, own);
        const fs::path program = own / (route == Route::DesktopGtk ? "autorun-gtk" : "autorun");
        ReadAhead(program);
        const Launch launch = RunUntilShown(program, argv);
        if (launch.outcome == Launch::Outcome::Shown || launch.outcome == Launch::Outcome::Ended) {
            SayRoute("the launcher runs on " + Name(route));
            return 0;
        }
        const bool started = launch.outcome != Launch::Outcome::NotStarted;
        // The same Qt program with another Qt would say again what it said; the GTK program may have
        // said what only GTK meets (a GDK_BACKEND it cannot open), so Qt is tried after it.
        if (forced || (route == Route::DesktopQt && launch.saidWhy))
            return Fail(started ? StoppedText(program, launch.reason)
                                : "The launcher " + Quoted(program) + " cannot be started: " + Reason(launch.error) + ".",
                        disc);
        const std::string why = started ? Quoted(program) + " stopped before its window showed: " + launch.reason
                                        : "cannot start " + Quoted(program) + ": " + Reason(launch.error);
        Say(why + "; trying the next way to start the launcher.");
        gEarlier += "On " + Name(route) + ", " + why + ".\n";
    }

    // No route is left: the system is too old for the Qt program, and the GTK one cannot run either.
    std::string message = QtShortfalls().empty() ? "The launcher cannot start on this system:"
                                                 : "The launcher on this disc needs a newer Linux system than this "
                                                   "one. It needs:";
    for (const std::string& shortfall : QtShortfalls())
        message += "\n- " + shortfall;
    for (const std::string& route : passedOver)
        message += (QtShortfalls().empty() ? "\n- " : "\n- or, instead, ") + route;
    return Fail(message, disc);
}

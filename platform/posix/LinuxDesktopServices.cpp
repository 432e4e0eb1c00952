#include "platform/posix/LinuxDesktopServices.h"

#include "app/Failure.h"
#include "platform/portable/ProfileReader.h"
#include "platform/posix/PosixFiles.h"
#include "platform/posix/Spawn.h"

#include <cstdlib>
#include <utility>

namespace autorun::posix {
namespace {

// xdg-open's exit statuses, as its manual lists them.
std::string OpenFailureReason(int status)
{
    switch (status) {
    case 1:
        return "xdg-open did not understand the request.";
    case 2:
        return "The file or folder does not exist.";
    case 3:
        return "No program is set up to open it.";
    case 4:
        return "The program that opens it failed.";
    default:
        return "xdg-open ended with status " + std::to_string(status) + ".";
    }
}

std::string OpenFailureText(const std::string& file, const std::string& reason)
{
    return "Cannot open \"" + file + "\".\n\n" + reason;
}

bool Set(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

} // namespace

LinuxDesktopServices::LinuxDesktopServices(std::filesystem::path launchFolder,
                                           std::function<std::filesystem::path()> programFolder, WatchChild watch)
    : givenFolder_(std::move(launchFolder)), programFolder_(std::move(programFolder)), watch_(std::move(watch))
{
}

LinuxDesktopServices::~LinuxDesktopServices()
{
    if (unwatchedChildren_)
        ReapFinishedChildren();
}

std::string LinuxDesktopServices::ReadProfileString(std::string_view section, std::string_view key,
                                                    std::string_view defaultValue, std::size_t bufferSize,
                                                    std::string_view file)
{
    std::filesystem::path native;
    try {
        native = Native(file);
    } catch (const Failure&) {
        // The reader never fails: a settings file on a disc that is gone reads as missing.
        return profile::Lookup({}, section, key, defaultValue, bufferSize);
    }
    return profile::ReadProfileString(section, key, defaultValue, bufferSize, native);
}

std::string LinuxDesktopServices::ProgramFolder()
{
    // Once the disc is unmounted, /proc/self/exe names a path inside it as if it were the root.
    if (!launchFolder_)
        launchFolder_.emplace(givenFolder_.empty() ? programFolder_() : givenFolder_);
    return PathText(launchFolder_->Path());
}

std::filesystem::path LinuxDesktopServices::Native(std::string_view path) const
{
    if (!launchFolder_)
        return NativePath(path);
    launchFolder_->ExpectPresent();
    return NativePath(path, launchFolder_->Path());
}

std::string LinuxDesktopServices::FindFile(std::string_view path)
{
    return FindNormalFile(Native(path));
}

void LinuxDesktopServices::StartProgram(std::string_view path)
{
    Start({Native(path).string()}, false, {});
}

void LinuxDesktopServices::BrowseFolder(std::string_view folder, Tell tell)
{
    Open(Native(folder).string(), std::move(tell));
}

void LinuxDesktopServices::OpenDocument(std::string_view path, Tell tell)
{
    const std::string native = Native(path).string();
    try {
        Open(native, tell);
    } catch (const Failure& failure) {
        // The shell, not the program, tells the user that a document cannot be opened.
        tell(OpenFailureText(native, failure.Description()));
    }
}

void LinuxDesktopServices::Open(const std::string& file, Tell tell)
{
    Start({"xdg-open", file}, true, [file, tell = std::move(tell)](int status) {
        if (status != 0)
            tell(OpenFailureText(file, OpenFailureReason(status)));
    });
}

void LinuxDesktopServices::Start(const std::vector<std::string>& argv, bool searchPath,
                                 std::function<void(int)> ended)
{
    // Without a process descriptor a child can only be reaped by asking again later.
    if (unwatchedChildren_)
        ReapFinishedChildren();
    const SpawnedProcess child = Spawn(argv, searchPath);
    if (child.pidfd < 0) {
        unwatchedChildren_ = true;
        return;
    }
    watch_(child.pidfd, [child, ended = std::move(ended)] {
        const std::optional<int> status = TryReap(child);
        if (!status)
            return false;
        if (ended)
            ended(*status);
        return true;
    });
}

LinuxDesktop::LinuxDesktop(std::filesystem::path launchFolder)
    : services_(std::move(launchFolder), [this] { return ExecutableFolder(); },
                [this](int fd, std::function<bool()> readable) { Watch(fd, std::move(readable)); })
{
}

std::string LinuxDesktop::ReadProfileString(std::string_view section, std::string_view key,
                                            std::string_view defaultValue, std::size_t bufferSize, std::string_view file)
{
    return services_.ReadProfileString(section, key, defaultValue, bufferSize, file);
}

std::string LinuxDesktop::ProgramFolder()
{
    return services_.ProgramFolder();
}

std::string LinuxDesktop::FindFile(std::string_view path)
{
    return services_.FindFile(path);
}

void LinuxDesktop::StartProgram(std::string_view path)
{
    services_.StartProgram(path);
}

std::filesystem::path LinuxDesktop::ExecutableFolder()
{
    return posix::ExecutableFolder();
}

std::string NoDisplayMessage(const char* platformVariable)
{
    if (Set("DISPLAY") || Set("WAYLAND_DISPLAY") || Set(platformVariable))
        return {};
    return "autorun: there is no display to show the window on (neither DISPLAY nor WAYLAND_DISPLAY is set).\n";
}

} // namespace autorun::posix

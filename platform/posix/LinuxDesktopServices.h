// What every Linux front end's desktop does alike, whatever toolkit draws its windows: the files and
// folders of the launch folder (found once, and reported as gone once the disc is), the programs it
// starts and the documents and folders it opens through xdg-open, and what the user is told when
// xdg-open fails. A front end draws the boxes and lends its event loop to watch the started children.
#pragma once

#include "platform/Desktop.h"
#include "platform/posix/LaunchFolder.h"

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace autorun::posix {

class LinuxDesktopServices {
public:
    // How the front end's event loop watches a started child: it calls readable whenever fd can be
    // read, with the watch off meanwhile (readable may tell the user, in a box with a loop of its own),
    // until readable returns true; the child is collected then and fd closed, so the watch goes.
    using WatchChild = std::function<void(int fd, std::function<bool()> readable)>;
    // Tells the user, in a box, a text that says why something cannot be opened.
    using Tell = std::function<void(const std::string& text)>;

    // The launch folder is the given one (from the disc's starter), or else what programFolder
    // returns when the program first asks: the folder the running program lies in.
    LinuxDesktopServices(std::filesystem::path launchFolder, std::function<std::filesystem::path()> programFolder,
                         WatchChild watch);
    ~LinuxDesktopServices();
    LinuxDesktopServices(const LinuxDesktopServices&) = delete;
    LinuxDesktopServices& operator=(const LinuxDesktopServices&) = delete;

    // Desktop's members of the same names.
    std::string ReadProfileString(std::string_view section, std::string_view key, std::string_view defaultValue,
                                  std::size_t bufferSize, std::string_view file);
    std::string ProgramFolder();
    std::string FindFile(std::string_view path);
    void StartProgram(std::string_view path);
    // Opens the folder with xdg-open; a failure xdg-open reports later goes to tell. Throws Failure.
    void BrowseFolder(std::string_view folder, Tell tell);
    // Opens the document with xdg-open: what keeps it from opening goes to tell, at once when xdg-open
    // cannot start. Throws Failure only once the launch folder is gone.
    void OpenDocument(std::string_view path, Tell tell);

private:
    // The native path for a path text the program built, which may begin with the program's folder.
    // Throws Failure once that folder is gone.
    std::filesystem::path Native(std::string_view path) const;
    void Open(const std::string& file, Tell tell);
    // Starts argv and never waits for it; ended, if set, learns its exit status once it is reaped.
    void Start(const std::vector<std::string>& argv, bool searchPath, std::function<void(int)> ended);

    // Found when the program first asks, at start-up, and kept: the path texts it builds begin with its text.
    std::optional<LaunchFolder> launchFolder_;
    std::filesystem::path givenFolder_;
    std::function<std::filesystem::path()> programFolder_;
    WatchChild watch_;
    bool unwatchedChildren_ = false;
};

// The part of a Linux front end's desktop that is the services': settings, the program's folder, files
// and programs. The front end draws the windows and boxes and lends its event loop through Watch.
class LinuxDesktop : public Desktop {
public:
    // The launch folder is the given one, or else the folder of the running program.
    explicit LinuxDesktop(std::filesystem::path launchFolder);

    std::string ReadProfileString(std::string_view section, std::string_view key, std::string_view defaultValue,
                                  std::size_t bufferSize, std::string_view file) final;
    std::string ProgramFolder() final;
    std::string FindFile(std::string_view path) final;
    void StartProgram(std::string_view path) final;

protected:
    // The folder the running program lies in, where no launch folder was given; the tests put it elsewhere.
    virtual std::filesystem::path ExecutableFolder();
    // Watches a started child's descriptor from the toolkit's event loop, as WatchChild says.
    virtual void Watch(int fd, std::function<bool()> readable) = 0;

    LinuxDesktopServices services_;
};

// The line to write on standard error before ending with status 1 when no display is named for the
// window: neither DISPLAY nor WAYLAND_DISPLAY, nor the toolkit's own choice of platform in the
// variable platformVariable (QT_QPA_PLATFORM, GDK_BACKEND). Empty when one is. Without a display a
// toolkit ends with advice of its own, which misleads; this says plainly what is missing.
std::string NoDisplayMessage(const char* platformVariable);

} // namespace autorun::posix

#include "app/CommandLine.h"
#include "app/Program.h"
#include "platform/qt/DisplayCheck.h"
#include "platform/qt/QtDesktop.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>

int main(int argc, char* argv[])
{
    if (const std::optional<int> status = autorun::AnswerCommandLine(argc, argv, AUTORUN_VERSION_TEXT))
        return *status;
    const auto set = [](const char* name) {
        const char* value = std::getenv(name);
        return value != nullptr && *value != '\0';
    };
    // Without a display Qt aborts with advice to reinstall; say plainly what is missing instead.
    if (!set("DISPLAY") && !set("WAYLAND_DISPLAY") && !set("QT_QPA_PLATFORM")) {
        std::fputs("autorun: there is no display to show the window on (neither DISPLAY nor WAYLAND_DISPLAY is set).\n",
                   stderr);
        return 1;
    }
    // Set by the disc's starter, which may run this program from a copy elsewhere: the disc is the
    // launch folder. Taken out at once, so that nothing this program starts sees it.
    std::filesystem::path launchFolder;
    if (const char* folder = std::getenv("AUTORUN_LAUNCH_FOLDER"); folder != nullptr && folder[0] == '/')
        launchFolder = folder;
    unsetenv("AUTORUN_LAUNCH_FOLDER");
    std::optional<QApplication> application;
    {
        const autorun::qt::DisplayCheck check;
        application.emplace(argc, argv);
    }
    autorun::qt::QtDesktop desktop(launchFolder);
    return autorun::RunAutorun(desktop);
}

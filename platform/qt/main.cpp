#include "app/Program.h"
#include "platform/qt/DisplayCheck.h"
#include "platform/qt/QtDesktop.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <optional>

int main(int argc, char* argv[])
{
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
    std::optional<QApplication> application;
    {
        const autorun::qt::DisplayCheck check;
        application.emplace(argc, argv);
    }
    autorun::qt::QtDesktop desktop;
    return autorun::RunAutorun(desktop);
}

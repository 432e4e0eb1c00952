#include "app/Program.h"
#include "platform/qt/QtDesktop.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[])
{
    // Without a display Qt aborts with advice to reinstall; say plainly what is missing instead.
    if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr &&
        std::getenv("QT_QPA_PLATFORM") == nullptr) {
        std::fputs("autorun: there is no display to show the window on (neither DISPLAY nor WAYLAND_DISPLAY is set).\n",
                   stderr);
        return 1;
    }
    QApplication application(argc, argv);
    autorun::qt::QtDesktop desktop;
    return autorun::RunAutorun(desktop);
}

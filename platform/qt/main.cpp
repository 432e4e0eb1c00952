#include "app/Program.h"
#include "platform/qt/QtDesktop.h"

#include <QApplication>

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

bool Set(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

// Why the X display named by DISPLAY cannot be used, or nullptr when it can. Qt would abort with
// advice to reinstall; the user should learn instead that the display is not there.
const char* DisplayProblem()
{
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const int error = xcb_connection_has_error(connection);
    xcb_disconnect(connection);
    switch (error) {
    case 0:
        return nullptr;
    case XCB_CONN_CLOSED_PARSE_ERR:
        return "that is not the name of a display";
    case XCB_CONN_CLOSED_INVALID_SCREEN:
        return "it has no such screen";
    default:
        return "no X server answers there, or it refused this program";
    }
}

} // namespace

int main(int argc, char* argv[])
{
    const std::string_view platform = Set("QT_QPA_PLATFORM") ? std::getenv("QT_QPA_PLATFORM") : "";
    if (platform.empty() && !Set("DISPLAY") && !Set("WAYLAND_DISPLAY")) {
        std::fputs("autorun: there is no display to show the window on (neither DISPLAY nor WAYLAND_DISPLAY is set).\n",
                   stderr);
        return 1;
    }
    // Qt goes to X when told to, or when there is no Wayland display to go to.
    const bool x11 = platform.starts_with("xcb") || (platform.empty() && !Set("WAYLAND_DISPLAY"));
    if (x11 && Set("DISPLAY")) {
        if (const char* problem = DisplayProblem()) {
            std::fprintf(stderr, "autorun: cannot open the display \"%s\" named by DISPLAY: %s.\n",
                         std::getenv("DISPLAY"), problem);
            return 1;
        }
    }
    QApplication application(argc, argv);
    autorun::qt::QtDesktop desktop;
    return autorun::RunAutorun(desktop);
}

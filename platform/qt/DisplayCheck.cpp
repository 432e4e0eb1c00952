#include "platform/qt/DisplayCheck.h"

#include <QString>
#include <QtGlobal>

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace autorun::qt {
namespace {

struct HeldMessage {
    QtMsgType type;
    std::string category;
    QString text;
};

QtMessageHandler previous = nullptr;
std::vector<HeldMessage> held;

void PassOn(const HeldMessage& message)
{
    const QMessageLogContext context(nullptr, 0, nullptr, message.category.c_str());
    previous(message.type, context, message.text);
}

void PassOnHeld()
{
    for (const HeldMessage& message : held)
        PassOn(message);
    held.clear();
}

// Why the X display named by DISPLAY cannot be used, or nullptr when it can, when none is named,
// or when Qt was told to use another platform.
const char* DisplayProblem()
{
    const char* display = std::getenv("DISPLAY");
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (display == nullptr || *display == '\0' || (platform != nullptr && *platform != '\0' &&
                                                     std::string_view(platform).substr(0, 3) != "xcb"))
        return nullptr;
    // libxcb checks the screen number only for a caller that asks which screen it got.
    int screen = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screen);
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

void Hold(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type != QtFatalMsg) {
        held.push_back({type, context.category != nullptr ? context.category : "", text});
        return;
    }
    if (const char* problem = DisplayProblem()) {
        std::fprintf(stderr, "autorun: cannot open the display \"%s\" named by DISPLAY: %s.\n", std::getenv("DISPLAY"),
                     problem);
        std::_Exit(1);
    }
    // Some other reason: Qt says what it has to say, and aborts.
    PassOnHeld();
    previous(type, context, text);
}

} // namespace

DisplayCheck::DisplayCheck()
{
    previous = qInstallMessageHandler(Hold);
}

DisplayCheck::~DisplayCheck()
{
    qInstallMessageHandler(previous);
    PassOnHeld();
}

} // namespace autorun::qt

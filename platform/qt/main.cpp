#include "app/CommandLine.h"
#include "app/Program.h"
#include "platform/qt/DisplayCheck.h"
#include "platform/posix/StarterHandover.h"
#include "platform/qt/QtDesktop.h"

#include <QApplication>
#include <QWindow>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>

namespace {

// Tells the disc's starter once the first window, the launcher's or a box's, is on the screen.
class FirstWindow : public QObject {
public:
    explicit FirstWindow(autorun::posix::StarterHandover& handover) : handover_(handover)
    {
        QCoreApplication::instance()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        if (event->type() == QEvent::Expose && object->isWindowType() && static_cast<QWindow*>(object)->isExposed()) {
            QCoreApplication::instance()->removeEventFilter(this);
            // Once the expose is handled, which paints the window.
            QMetaObject::invokeMethod(this, [this] { handover_.WindowShown(); }, Qt::QueuedConnection);
        }
        return false;
    }

private:
    autorun::posix::StarterHandover& handover_;
};

} // namespace

int main(int argc, char* argv[])
{
    if (const std::optional<int> status = autorun::AnswerCommandLine(argc, argv, AUTORUN_VERSION_TEXT))
        return *status;
    // From the disc's starter, when it started this program.
    autorun::posix::StarterHandover handover;
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
    const FirstWindow firstWindow(handover);
    autorun::qt::QtDesktop desktop(handover.LaunchFolder());
    return autorun::RunAutorun(desktop);
}

#include "app/CommandLine.h"
#include "app/Program.h"
#include "platform/posix/LinuxDesktopServices.h"
#include "platform/posix/StarterHandover.h"
#include "platform/qt/DisplayCheck.h"
#include "platform/qt/QtDesktop.h"

#include <QApplication>
#include <QWindow>

#include <cstdio>
#include <optional>
#include <string>

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
    // Without a display Qt aborts with advice to reinstall; say plainly what is missing instead.
    if (const std::string missing = autorun::posix::NoDisplayMessage("QT_QPA_PLATFORM"); !missing.empty()) {
        std::fputs(missing.c_str(), stderr);
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

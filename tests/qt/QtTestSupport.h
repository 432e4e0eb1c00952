// What the Qt front end's tests share: a disc folder made per test, a stand-in for xdg-open,
// a desktop rooted at the disc, and ways to act on windows and boxes that appear inside nested loops.
#pragma once

#include "../LauncherSettings.h"
#include "../conformance/TestDisc.h"
#include "../posix/XdgOpenStandIn.h"
#include "platform/qt/FormView.h"
#include "platform/qt/QtDesktop.h"
#include "ui/Geometry.h"

#include <QAccessible>
#include <QColor>
#include <QImage>
#include <QMessageBox>
#include <QString>
#include <QTimer>

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace autorun::qt::test {

using autorun::test::kLauncherSettings;
using autorun::test::Normalised;
using autorun::test::TestDisc;
using autorun::test::XdgOpenStandIn;

inline const QColor kWhite(255, 255, 255);

// Generous bound for anything the tests wait on; a condition that holds ends the wait at once.
inline constexpr int kWaitMs = 10000;

// Waits until xdg-open has been called count times.
bool WaitForCalls(const XdgOpenStandIn& xdgOpen, std::size_t count);

// The Qt desktop with the disc as the program's folder.
class DiscDesktop : public QtDesktop {
public:
    explicit DiscDesktop(const TestDisc& disc);

protected:
    std::filesystem::path ExecutableFolder() override { return folder_; }

private:
    std::filesystem::path folder_;
};

// Answers every message box that appears with OK, recording what it showed.
class BoxCloser {
public:
    struct Box {
        QString title;
        QString text;
        QMessageBox::Icon icon;
        QMessageBox::StandardButtons buttons;
        QWidget* parent;
    };

    explicit BoxCloser(std::function<void(const Box&)> onBox = {});
    const std::vector<Box>& Boxes() const { return boxes_; }
    bool WaitForBoxes(std::size_t count) const;

private:
    QTimer timer_;
    std::vector<Box> boxes_;
};

// Double-clicks owner at a point that opens the named modal window and runs action inside it, once the
// button is let go (over owner, as the user's hand does); the modal window is closed after action.
// Returns whether action ran.
bool DoubleClickIntoModal(FormView& owner, QPoint at, std::string windowName,
                          const std::function<void(FormView&)>& action);

// Presses key in owner, which opens the named modal window, and runs action inside it; the modal window
// is closed after action unless action closed it. Returns whether action ran.
bool KeyIntoModal(FormView& owner, Qt::Key key, std::string windowName, const std::function<void(FormView&)>& action);

// Does trigger, which opens the named modal window, and runs action inside it; the modal window is
// closed after action unless action closed it. Returns whether action ran.
bool IntoModal(const std::function<void()>& trigger, std::string windowName,
               const std::function<void(FormView&)>& action);

// What the program tells assistive technology, recorded where a screen reader would hear it.
class RecordedEvents {
public:
    struct Event {
        QAccessible::Event type;
        QObject* object;
        int child;
    };

    RecordedEvents();
    ~RecordedEvents();
    RecordedEvents(const RecordedEvents&) = delete;
    RecordedEvents& operator=(const RecordedEvents&) = delete;

    // Where the event is among those recorded, or -1.
    int Find(QObject* object, QAccessible::Event type, int child) const;
    // The last focus event of that object: what a screen reader takes the focus to be.
    std::optional<int> LastFocus(QObject* object) const;

    std::vector<Event> events;

private:
    static void Record(QAccessibleEvent* event);

    static inline std::vector<Event>* sink_ = nullptr;
    QAccessible::UpdateHandler previous_;
    bool wasActive_;
};

Qt::Key QtKey(Key key);

// A key pressed and let go in the view's window, as the window system delivers it.
void PressKey(FormView& view, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

// Runs the whole program from the disc; script acts once the launcher is shown, then the launcher is closed.
// Returns the program's exit status.
int RunProgram(DiscDesktop& desktop, const std::function<void(FormView& launcher)>& script);

// The shown view of the named window, or null.
FormView* FindView(std::string_view windowName);

QRect PixelRect(const ui::Rect& r);
QPoint PixelCentre(const ui::Rect& r);

// Pixels inside area whose channels each lie within tolerance of colour.
int CountNear(const QImage& image, const QRect& area, QColor colour, int tolerance = 48);

// What the view draws, rendered now from the model.
QImage Rendered(QWidget& view);
// What the window system shows of the view.
QImage OnScreen(QWidget& view);

} // namespace autorun::qt::test

#include "QtTestSupport.h"

#include "app/Program.h"
#include "platform/posix/PosixFiles.h"

#include <QApplication>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

namespace autorun::qt::test {
namespace {

// Runs action once a modal view of the named window is shown, then closes that view.
class WhenModalShown {
public:
    WhenModalShown(std::string windowName, std::function<void(FormView&)> action);
    bool Ran() const { return ran_; }

private:
    QTimer timer_;
    bool ran_ = false;
};

WhenModalShown::WhenModalShown(std::string windowName, std::function<void(FormView&)> action)
{
    timer_.setInterval(10);
    QObject::connect(&timer_, &QTimer::timeout, &timer_,
                     [this, name = std::move(windowName), action = std::move(action)] {
                         QPointer<FormView> view = qobject_cast<FormView*>(QApplication::activeModalWidget());
                         if (view == nullptr || view->Model().Window().Name() != name)
                             return;
                         timer_.stop();
                         ran_ = true;
                         action(*view);
                         if (view != nullptr && view->isVisible())
                             view->close();
                     });
    timer_.start();
}

} // namespace

bool WaitForCalls(const XdgOpenStandIn& xdgOpen, std::size_t count)
{
    return QTest::qWaitFor([&] { return xdgOpen.Calls().size() >= count; }, kWaitMs);
}

DiscDesktop::DiscDesktop(const TestDisc& disc) : folder_(disc.Root()) {}

BoxCloser::BoxCloser(std::function<void(const Box&)> onBox)
{
    timer_.setInterval(10);
    QObject::connect(&timer_, &QTimer::timeout, &timer_, [this, onBox = std::move(onBox)] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            if (box == nullptr || !box->isVisible())
                continue;
            boxes_.push_back({box->windowTitle(), box->text(), box->icon(), box->standardButtons(),
                              box->parentWidget()});
            if (onBox)
                onBox(boxes_.back());
            if (QAbstractButton* ok = box->button(QMessageBox::Ok))
                ok->click();
            else
                box->done(0);
        }
    });
    timer_.start();
}

bool BoxCloser::WaitForBoxes(std::size_t count) const
{
    return QTest::qWaitFor([&] { return boxes_.size() >= count; }, kWaitMs);
}

bool DoubleClickIntoModal(FormView& owner, QPoint at, std::string windowName,
                          const std::function<void(FormView&)>& action)
{
    WhenModalShown modal(std::move(windowName), [&](FormView& view) {
        QTest::mouseRelease(owner.windowHandle(), Qt::LeftButton, {}, at);
        action(view);
    });
    QTest::mouseDClick(owner.windowHandle(), Qt::LeftButton, {}, at);
    return modal.Ran();
}

bool KeyIntoModal(FormView& owner, Qt::Key key, std::string windowName, const std::function<void(FormView&)>& action)
{
    WhenModalShown modal(std::move(windowName), action);
    PressKey(owner, key);
    return modal.Ran();
}

bool IntoModal(const std::function<void()>& trigger, std::string windowName,
               const std::function<void(FormView&)>& action)
{
    WhenModalShown modal(std::move(windowName), action);
    trigger();
    // A screen reader's action is done from the event loop, once the call has returned.
    return QTest::qWaitFor([&] { return modal.Ran(); }, 5000);
}

RecordedEvents::RecordedEvents()
    : previous_(QAccessible::installUpdateHandler(&Record)), wasActive_(QAccessible::isActive())
{
    sink_ = &events;
    QAccessible::setActive(true);
}

RecordedEvents::~RecordedEvents()
{
    QAccessible::installUpdateHandler(previous_);
    QAccessible::setActive(wasActive_);
    sink_ = nullptr;
}

int RecordedEvents::Find(QObject* object, QAccessible::Event type, int child) const
{
    for (std::size_t i = 0; i < events.size(); ++i) {
        if (events[i].object == object && events[i].type == type && events[i].child == child)
            return static_cast<int>(i);
    }
    return -1;
}

std::optional<int> RecordedEvents::LastFocus(QObject* object) const
{
    std::optional<int> child;
    for (const Event& event : events) {
        if (event.object == object && event.type == QAccessible::Focus)
            child = event.child;
    }
    return child;
}

void RecordedEvents::Record(QAccessibleEvent* event)
{
    if (sink_ != nullptr)
        sink_->push_back({event->type(), event->object(), event->child()});
}

Qt::Key QtKey(Key key)
{
    switch (key) {
    case Key::Tab:
        return Qt::Key_Tab;
    case Key::Left:
        return Qt::Key_Left;
    case Key::Right:
        return Qt::Key_Right;
    case Key::Up:
        return Qt::Key_Up;
    case Key::Down:
        return Qt::Key_Down;
    case Key::Enter:
        return Qt::Key_Return;
    case Key::Space:
        return Qt::Key_Space;
    case Key::Escape:
        return Qt::Key_Escape;
    }
    return Qt::Key_unknown;
}

void PressKey(FormView& view, Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    QTest::keyClick(view.windowHandle(), key, modifiers);
}

int RunProgram(DiscDesktop& desktop, const std::function<void(FormView& launcher)>& script)
{
    bool ran = false;
    QTimer::singleShot(0, [&] {
        ran = true;
        FormView* launcher = FindView("frmAutoRun");
        if (launcher == nullptr) {
            ADD_FAILURE() << "the launcher is not shown";
            QCoreApplication::exit(-1);
            return;
        }
        // Qt drops a move to where the pointer already is, so each run starts from the corner.
        QTest::mouseMove(launcher->windowHandle(), QPoint(0, 0));
        script(*launcher);
        launcher->close();
    });
    const int status = RunAutorun(desktop);
    EXPECT_TRUE(ran);
    return status;
}

FormView* FindView(std::string_view windowName)
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* view = qobject_cast<FormView*>(widget);
        if (view != nullptr && view->isVisible() && view->Model().Loaded() && view->Model().Window().Name() == windowName)
            return view;
    }
    return nullptr;
}

QRect PixelRect(const ui::Rect& r)
{
    const int left = ui::ToPixels(r.left);
    const int top = ui::ToPixels(r.top);
    return {left, top, ui::ToPixels(r.left + r.width) - left, ui::ToPixels(r.top + r.height) - top};
}

QPoint PixelCentre(const ui::Rect& r)
{
    return {ui::ToPixels(r.left + r.width / 2), ui::ToPixels(r.top + r.height / 2)};
}

int CountNear(const QImage& image, const QRect& area, QColor colour, int tolerance)
{
    int count = 0;
    const QRect inside = area & image.rect();
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (std::abs(pixel.red() - colour.red()) <= tolerance && std::abs(pixel.green() - colour.green()) <= tolerance &&
                std::abs(pixel.blue() - colour.blue()) <= tolerance)
                ++count;
        }
    }
    return count;
}

QImage Rendered(QWidget& view)
{
    return view.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

QImage OnScreen(QWidget& view)
{
    return view.screen()->grabWindow(view.winId()).toImage().convertToFormat(QImage::Format_RGB32);
}

} // namespace autorun::qt::test

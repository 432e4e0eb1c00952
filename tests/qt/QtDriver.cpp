// The shared window cases on the Qt desktop: the whole program from a disc of its own, Qt's test
// input, what the widgets render, and the xdg-open stand-in.
#include "QtTestSupport.h"

#include "platform/qt/FormView.h"
#include "platform/qt/Pictures.h"
#include "platform/qt/Theme.h"
#include "tests/conformance/Conformance.h"
#include "tests/posix/LinuxDriver.h"

#include <QAccessible>
#include <QApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <stdexcept>

namespace autorun::qt::test {
namespace {

using conformance::Glyph;
using conformance::Shade;
using conformance::Spot;

conformance::Image ToImage(const QImage& image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    conformance::Image converted{rgb.width(), rgb.height(), {}};
    converted.pixels.reserve(static_cast<std::size_t>(rgb.width()) * static_cast<std::size_t>(rgb.height()));
    for (int y = 0; y < rgb.height(); ++y) {
        for (int x = 0; x < rgb.width(); ++x)
            converted.pixels.push_back(rgb.pixel(x, y) & 0xFFFFFF);
    }
    return converted;
}

Glyph ToGlyph(Glyph::Kind kind, const QImage& picture, QPoint hotSpot)
{
    const QImage argb = picture.convertToFormat(QImage::Format_ARGB32);
    return {kind, argb.width(), argb.height(), {hotSpot.x(), hotSpot.y()}, [argb](int x, int y) {
                const QRgb pixel = argb.pixel(x, y);
                if (qAlpha(pixel) == 0)
                    return Shade::Clear;
                if (qAlpha(pixel) != 255)
                    return Shade::Other;
                if ((pixel & 0xFFFFFF) == 0xFFFFFF)
                    return Shade::White;
                return (pixel & 0xFFFFFF) == 0 ? Shade::Black : Shade::Other;
            }};
}

QPoint At(Spot at)
{
    return {at.x, at.y};
}

class QtDriver : public autorun::test::LinuxDriver {
public:
    QtDriver() : boxes_([this](const BoxCloser::Box& box) { Note(box); }) {}

    int Run(const std::function<void(ui::Window&)>& script) override
    {
        return RunProgram(desktop_, [&](FormView& launcher) { script(launcher.Model().Window()); });
    }
    bool IntoModal(const std::function<void()>& trigger, std::string_view name,
                   const std::function<void(ui::Window&)>& action) override
    {
        return test::IntoModal(trigger, std::string(name), [&](FormView& view) { action(view.Model().Window()); });
    }
    bool DoubleClickIntoModal(const ui::Window& owner, Spot at, std::string_view name,
                              const std::function<void(ui::Window&)>& action) override
    {
        return test::DoubleClickIntoModal(View(owner), At(at), std::string(name),
                                          [&](FormView& view) { action(view.Model().Window()); });
    }
    ui::Window* Find(std::string_view name) override
    {
        FormView* view = FindView(name);
        return view == nullptr ? nullptr : &view->Model().Window();
    }

    conformance::Frame FrameOf(const ui::Window& window) override
    {
        FormView& view = View(window);
        const Qt::WindowFlags flags = view.windowFlags();
        const auto* owner = qobject_cast<FormView*>(view.parentWidget());
        return {view.windowTitle().toStdString(),
                view.width(),
                view.height(),
                {view.frameGeometry().left(), view.frameGeometry().top()},
                view.minimumSize() != view.maximumSize(),
                flags.testFlag(Qt::WindowMinimizeButtonHint),
                flags.testFlag(Qt::WindowMaximizeButtonHint),
                flags.testFlag(Qt::WindowCloseButtonHint),
                view.windowType() == Qt::Dialog,
                owner == nullptr ? "" : owner->Model().Window().Name()};
    }
    Glyph IconOf(const ui::Window& window) override
    {
        return ToGlyph(Glyph::Kind::Drawn, View(window).windowIcon().pixmap(32, 32).toImage(), {});
    }
    bool Blocked(const ui::Window& window) override
    {
        const QWidget* modal = QApplication::activeModalWidget();
        return modal != nullptr && modal != &View(window);
    }
    bool Active(const ui::Window& window) override { return View(window).isActiveWindow(); }

    void MoveTo(const ui::Window& window, Spot at) override { QTest::mouseMove(View(window).windowHandle(), At(at)); }
    void Click(const ui::Window& window, Spot at) override
    {
        QTest::mouseClick(View(window).windowHandle(), Qt::LeftButton, {}, At(at));
    }
    void DoubleClick(const ui::Window& window, Spot at) override
    {
        QTest::mouseDClick(View(window).windowHandle(), Qt::LeftButton, {}, At(at));
    }
    void Type(const ui::Window& window, std::initializer_list<Key> keys, Modifiers held) override
    {
        FormView& view = View(window);
        Qt::KeyboardModifiers modifiers;
        modifiers.setFlag(Qt::ShiftModifier, held.shift);
        modifiers.setFlag(Qt::ControlModifier, held.control);
        modifiers.setFlag(Qt::AltModifier, held.alt);
        modifiers.setFlag(Qt::MetaModifier, held.meta);
        for (const Key key : keys) {
            // As the window system sends Shift+Tab.
            PressKey(view, key == Key::Tab && held.shift ? Qt::Key_Backtab : QtKey(key), modifiers);
        }
        // What the keys announce reaches the bridge from the event loop.
        QTest::qWait(20);
    }
    void TypeUnused(const ui::Window& window) override
    {
        PressKey(View(window), Qt::Key_A);
        PressKey(View(window), Qt::Key_F5);
    }
    bool HasKeyboard(const ui::Window& window) override
    {
        FormView& view = View(window);
        return QApplication::focusWidget() == &view && view.isActiveWindow();
    }
    void Leave(const ui::Window& window) override
    {
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(&View(window), &leave);
    }
    Glyph PointerAt(const ui::Window& window, Spot at) override
    {
        FormView& view = View(window);
        QTest::mouseMove(view.windowHandle(), At(at));
        const QCursor cursor = view.cursor();
        switch (cursor.shape()) {
        case Qt::ArrowCursor:
            return {Glyph::Kind::Arrow};
        case Qt::BitmapCursor:
            return ToGlyph(Glyph::Kind::Drawn, cursor.pixmap().toImage(), cursor.hotSpot());
        default:
            return {Glyph::Kind::Other};
        }
    }

    int Bypass(const ui::Window& window, conformance::Route route, Spot at, std::size_t label,
               std::string_view opened) override
    {
        FormView& view = View(window);
        // A window opened modally would run its loop inside the route: close it, and count it.
        const QWidgetList before = QApplication::topLevelWidgets();
        int count = 0;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* shown = qobject_cast<FormView*>(widget);
                if (shown != nullptr && shown->isVisible() && !before.contains(shown) && shown->Model().Loaded() &&
                    shown->Model().Window().Name() == opened) {
                    ++count;
                    shown->close();
                }
            }
        });
        watch.start(10);
        const QPointF point(at.x, at.y);
        switch (route) {
        case conformance::Route::ScreenReader:
            QAccessible::queryAccessibleInterface(&view)
                ->child(static_cast<int>(label))
                ->actionInterface()
                ->doAction(QAccessibleActionInterface::pressAction());
            break;
        case conformance::Route::Tab:
        case conformance::Route::Enter: {
            QKeyEvent event(QEvent::KeyPress, route == conformance::Route::Tab ? Qt::Key_Tab : Qt::Key_Return,
                            Qt::NoModifier);
            QApplication::sendEvent(&view, &event);
            break;
        }
        case conformance::Route::DoubleClick: {
            QMouseEvent event(QEvent::MouseButtonDblClick, point, view.mapToGlobal(point), Qt::LeftButton,
                              Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(&view, &event);
            break;
        }
        case conformance::Route::Pointer: {
            QMouseEvent event(QEvent::MouseMove, point, view.mapToGlobal(point), Qt::NoButton, Qt::NoButton,
                              Qt::NoModifier);
            QApplication::sendEvent(&view, &event);
            break;
        }
        }
        QTest::qWait(50);
        return count;
    }

    // Qt draws the whole view from the model whenever it is grabbed.
    conformance::Image Painted(const ui::Window& window) override { return ToImage(test::Rendered(View(window))); }
    conformance::Image Rendered(const ui::Window& window) override { return ToImage(test::Rendered(View(window))); }
    conformance::Image OnScreen(const ui::Window& window) override { return ToImage(test::OnScreen(View(window))); }
    bool WaitFor(const std::function<bool()>& done) override { return QTest::qWaitFor(done, kWaitMs); }

    conformance::Image Picture(ui::Resource picture) override { return ToImage(qt::Picture(picture)); }
    bool Decoded(ui::Resource picture) override { return qt::Decoded(picture); }
    int Density() override { return qRound(ui::kDesignDpi * QGuiApplication::primaryScreen()->devicePixelRatio()); }
    void SetTheme(const std::optional<ui::DesktopColours>& theme) override
    {
        if (!ownPalette_)
            ownPalette_ = QApplication::palette();
        QPalette palette = *ownPalette_;
        if (theme) {
            for (const qt::ThemeRole& role : qt::kThemeRoles) {
                // The active colour serves every state but the disabled one.
                const QPalette::ColorGroup group = role.group == QPalette::Active ? QPalette::All : role.group;
                palette.setColor(group, role.role, qt::ToQColor((*theme).*role.colour));
            }
        }
        // No portal here to switch high contrast: the program's reading of it is set by hand.
        qt::DesktopContrast::Instance().SetHigh(theme && theme->highContrast);
        QApplication::setPalette(palette);
        QApplication::processEvents();
    }
    int HeadingWidth(std::string_view text) override
    {
        QFont font("Arial");
        font.setPixelSize(16);
        font.setBold(true);
        return QFontMetrics(font).horizontalAdvance(QString::fromUtf8(text.data(), static_cast<int>(text.size())));
    }

    std::vector<conformance::Box> Boxes() override { return seen_; }

    bool Listen() override
    {
        recorded_.emplace();
        return QAccessible::isActive();
    }
    conformance::Reading Read(const ui::Window& window, std::size_t label) override
    {
        return ToReading(Child(window, label));
    }
    conformance::Reading ReadWindow(const ui::Window& window) override
    {
        QAccessibleInterface* object = Accessible(window);
        conformance::Reading reading = ToReading(object);
        reading.children = static_cast<std::size_t>(object->childCount());
        return reading;
    }
    ui::PixelBox Where(const ui::Window& window, std::size_t label) override
    {
        const QRect rect = Child(window, label)->rect();
        const QPoint topLeft = View(window).mapFromGlobal(rect.topLeft());
        return {topLeft.x(), topLeft.y(), topLeft.x() + rect.width(), topLeft.y() + rect.height()};
    }
    std::optional<std::size_t> ReaderAt(const ui::Window& window, Spot at) override
    {
        const QPoint global = View(window).mapToGlobal(At(at));
        QAccessibleInterface* object = Accessible(window);
        return PositionOf(object, object->childAt(global.x(), global.y()));
    }
    std::optional<std::size_t> ReaderFocus(const ui::Window& window) override
    {
        QAccessibleInterface* object = Accessible(window);
        return PositionOf(object, object->focusChild());
    }
    bool Press(const ui::Window& window, std::size_t label) override
    {
        QAccessibleActionInterface* actions = Child(window, label)->actionInterface();
        if (actions == nullptr || !actions->actionNames().contains(QAccessibleActionInterface::pressAction()))
            return false;
        actions->doAction(QAccessibleActionInterface::pressAction());
        return true;
    }
    std::vector<conformance::Announcement> Announced(const ui::Window& window) override
    {
        const std::map<QAccessible::Event, std::string> kinds = {
            {QAccessible::Focus, "focus"},     {QAccessible::ObjectShow, "show"}, {QAccessible::ObjectHide, "hide"},
            {QAccessible::NameChanged, "name"}, {QAccessible::StateChanged, "state"}};
        std::vector<conformance::Announcement> told;
        if (!recorded_)
            return told;
        QTest::qWait(20);
        FormView& view = View(window);
        std::erase_if(recorded_->events, [&](const RecordedEvents::Event& event) {
            if (event.object != &view)
                return false;
            const auto kind = kinds.find(event.type);
            if (event.child >= 0 && kind != kinds.end())
                told.push_back({kind->second, static_cast<std::size_t>(event.child)});
            return true;
        });
        return told;
    }

private:
    static QAccessibleInterface* Accessible(const ui::Window& window)
    {
        QAccessibleInterface* object = QAccessible::queryAccessibleInterface(&View(window));
        if (object == nullptr)
            throw std::logic_error("no accessible object for " + window.Name());
        return object;
    }
    static QAccessibleInterface* Child(const ui::Window& window, std::size_t label)
    {
        QAccessibleInterface* child = Accessible(window)->child(static_cast<int>(label));
        if (child == nullptr)
            throw std::logic_error("no accessible label " + std::to_string(label) + " in " + window.Name());
        return child;
    }
    static std::optional<std::size_t> PositionOf(QAccessibleInterface* parent, QAccessibleInterface* child)
    {
        const int index = child == nullptr ? -1 : parent->indexOfChild(child);
        return index < 0 ? std::nullopt : std::optional<std::size_t>(static_cast<std::size_t>(index));
    }
    // Qt's roles and states in the shared words.
    static conformance::Reading ToReading(QAccessibleInterface* object)
    {
        conformance::Reading reading;
        switch (object->role()) {
        case QAccessible::Button:
            reading.role = "button";
            break;
        case QAccessible::Link:
            reading.role = "link";
            break;
        case QAccessible::StaticText:
            reading.role = "text";
            break;
        default:
            reading.role = "role " + std::to_string(object->role());
            break;
        }
        reading.name = object->text(QAccessible::Name).toStdString();
        reading.description = object->text(QAccessible::Description).toStdString();
        const QAccessible::State state = object->state();
        const std::pair<bool, const char*> states[] = {
            {bool(state.focusable), "focusable"}, {bool(state.focused), "focused"},
            {bool(state.invisible), "invisible"}, {bool(state.disabled), "unavailable"},
            {bool(state.readOnly), "read-only"},  {bool(state.linked), "linked"}};
        for (const auto& [set, name] : states) {
            if (set)
                reading.states.insert(name);
        }
        reading.acts = object->actionInterface() != nullptr && !object->actionInterface()->actionNames().isEmpty();
        return reading;
    }

    static FormView& View(const ui::Window& window)
    {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* view = qobject_cast<FormView*>(widget);
            if (view != nullptr && view->Model().Loaded() && &view->Model().Window() == &window)
                return *view;
        }
        throw std::logic_error("no view shows the window " + window.Name());
    }

    // Boxes are read as they show: their owners may be gone by the time a case looks.
    void Note(const BoxCloser::Box& box)
    {
        const auto* owner = qobject_cast<FormView*>(box.parent);
        seen_.push_back({box.title.toStdString(), box.text.toStdString(), box.icon != QMessageBox::NoIcon,
                               box.buttons == QMessageBox::Ok,
                               owner == nullptr ? "" : owner->Model().Window().Name()});
    }

    DiscDesktop desktop_{disc_};
    std::vector<conformance::Box> seen_;
    BoxCloser boxes_;
    std::optional<RecordedEvents> recorded_;
    std::optional<QPalette> ownPalette_; // the desktop's own, before a theme was set
};

} // namespace
} // namespace autorun::qt::test

namespace autorun::conformance {

std::unique_ptr<Driver> MakeDriver()
{
    return std::make_unique<qt::test::QtDriver>();
}

} // namespace autorun::conformance

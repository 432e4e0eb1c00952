#include "QtTestSupport.h"

#include "docwindow/OnlineDocDesign.h"
#include "launcher/AutoRunDesign.h"
#include "tests/conformance/Conformance.h"

#include <QAccessible>
#include <QTest>

#include <gtest/gtest.h>

#include <map>
#include <optional>

namespace autorun::qt::test {
namespace {

// What a screen reader should learn of one label.
struct Expected {
    ui::ControlId control;
    int index;
    QAccessible::Role role;
    QString name;
    QString description;
    bool acts;      // focusable, with a press action
    bool disabled;
    bool invisible;
};

QAccessibleInterface* Accessible(FormView& view)
{
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&view);
    EXPECT_NE(accessible, nullptr);
    return accessible;
}

QAccessibleInterface* ChildFor(FormView& view, ui::ControlId control, int index)
{
    const ui::Window& window = view.Model().Window();
    return Accessible(view)->child(static_cast<int>(window.PositionOf(window.Control(control, index))));
}

void ExpectChildren(FormView& view, QAccessible::Role windowRole, std::span<const Expected> expected)
{
    QAccessibleInterface* window = Accessible(view);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->role(), windowRole);
    EXPECT_EQ(window->text(QAccessible::Name), view.windowTitle());
    ASSERT_EQ(window->childCount(), static_cast<int>(view.Model().Window().Labels().size()));
    for (const Expected& e : expected) {
        SCOPED_TRACE(std::string(e.control.name) + " " + std::to_string(e.index));
        QAccessibleInterface* child = ChildFor(view, e.control, e.index);
        ASSERT_NE(child, nullptr);
        EXPECT_TRUE(child->isValid());
        EXPECT_EQ(child->parent(), window);
        EXPECT_EQ(window->indexOfChild(child),
                  static_cast<int>(view.Model().Window().PositionOf(view.Model().Window().Control(e.control, e.index))));
        EXPECT_EQ(child->role(), e.role);
        EXPECT_EQ(child->text(QAccessible::Name), e.name);
        EXPECT_EQ(child->text(QAccessible::Description), e.description);
        const QAccessible::State state = child->state();
        EXPECT_EQ(bool(state.focusable), e.acts);
        EXPECT_EQ(bool(state.disabled), e.disabled);
        EXPECT_EQ(bool(state.invisible), e.invisible);
        EXPECT_FALSE(state.focused);
        EXPECT_EQ(bool(state.linked), e.role == QAccessible::Link);
        const QRect box = PixelRect(view.Model().Window().Control(e.control, e.index).Bounds());
        EXPECT_EQ(child->rect(), QRect(view.mapToGlobal(box.topLeft()), box.size()));
        if (!e.invisible) {
            EXPECT_EQ(window->childAt(child->rect().center().x(), child->rect().center().y()), child);
        }
        // Only what acts can be pressed: a greyed link offers no action at all.
        QAccessibleActionInterface* actions = child->actionInterface();
        if (!e.acts) {
            EXPECT_EQ(actions, nullptr);
        } else {
            ASSERT_NE(actions, nullptr);
            EXPECT_EQ(actions->actionNames(), QStringList{QAccessibleActionInterface::pressAction()});
        }
    }
    EXPECT_EQ(window->focusChild(), nullptr);
}

class Accessibility : public ::testing::Test {
protected:
    Accessibility()
    {
        disc_.WriteInf(std::string(kLauncherSettings) + "[OnlineDoc]\n"
                                                        "1=VOL,File Descriptions All Volumes\n"
                                                        "2=V1,Tom && &Jerry\n");
        disc_.AddManual("VOL");
        disc_.AddManual("V1");
    }

    void InDocumentationWindow(const std::function<void(FormView& doc)>& action)
    {
        RunProgram(desktop_, [&](FormView& launcher) {
            QAccessibleInterface* button = ChildFor(launcher, lblBtnText, 0);
            ASSERT_NE(button, nullptr);
            ASSERT_NE(button->actionInterface(), nullptr);
            EXPECT_TRUE(IntoModal([&] { button->actionInterface()->doAction(QAccessibleActionInterface::pressAction()); },
                                  "frmOnlineDoc", action));
        });
    }

    TestDisc disc_;
    XdgOpenStandIn xdgOpen_;
    DiscDesktop desktop_{disc_};
    BoxCloser boxes_;
};

TEST_F(Accessibility, LauncherReportsItsButtonsAndTheDescriptionLine)
{
    const Expected expected[] = {
        {lblBtnText, 0, QAccessible::Button, "Online Documentation", "Read the manuals of the kit", true, false, false},
        {lblBtnText, 1, QAccessible::Button, "Browse this CD", "See every file on the disc", true, false, false},
        {lblDescr, -1, QAccessible::StaticText, "", "", false, false, true},
    };
    RunProgram(desktop_, [&](FormView& launcher) {
        ExpectChildren(launcher, QAccessible::Window, expected);
        // A label reads as focused only while its window has the keyboard, which a real X server
        // gives some time after the window maps.
        ASSERT_TRUE(QTest::qWaitForWindowActive(&launcher));

        // The keyboard's focus is the reader's focus; the description line shows and reads the button's text.
        PressKey(launcher, Qt::Key_Tab);
        PressKey(launcher, Qt::Key_Tab);
        QAccessibleInterface* browse = ChildFor(launcher, lblBtnText, 1);
        EXPECT_EQ(Accessible(launcher)->focusChild(), browse);
        EXPECT_TRUE(browse->state().focused);
        EXPECT_FALSE(ChildFor(launcher, lblBtnText, 0)->state().focused);
        QAccessibleInterface* description = ChildFor(launcher, lblDescr, -1);
        EXPECT_FALSE(description->state().invisible);
        EXPECT_EQ(description->text(QAccessible::Name), "See every file on the disc");
    });
}

// What the program tells assistive technology, recorded where a screen reader would hear it.
class RecordedEvents {
public:
    struct Event {
        QAccessible::Event type;
        QObject* object;
        int child;
    };

    RecordedEvents() : previous_(QAccessible::installUpdateHandler(&Record)), wasActive_(QAccessible::isActive())
    {
        sink_ = &events;
        QAccessible::setActive(true);
    }
    ~RecordedEvents()
    {
        QAccessible::installUpdateHandler(previous_);
        QAccessible::setActive(wasActive_);
        sink_ = nullptr;
    }
    RecordedEvents(const RecordedEvents&) = delete;
    RecordedEvents& operator=(const RecordedEvents&) = delete;

    // Where the event is among those recorded, or -1.
    int Find(QObject* object, QAccessible::Event type, int child) const
    {
        for (std::size_t i = 0; i < events.size(); ++i) {
            if (events[i].object == object && events[i].type == type && events[i].child == child)
                return static_cast<int>(i);
        }
        return -1;
    }
    // The last focus event of that object: what a screen reader takes the focus to be.
    std::optional<int> LastFocus(QObject* object) const
    {
        std::optional<int> child;
        for (const Event& event : events) {
            if (event.object == object && event.type == QAccessible::Focus)
                child = event.child;
        }
        return child;
    }

    std::vector<Event> events;

private:
    static void Record(QAccessibleEvent* event)
    {
        if (sink_ != nullptr)
            sink_->push_back({event->type(), event->object(), event->child()});
    }

    static inline std::vector<Event>* sink_ = nullptr;
    QAccessible::UpdateHandler previous_;
    bool wasActive_;
};

// Only where a screen reader's bus is up does Qt pass events on (qt_tests.atspi).
class AtSpi : public Accessibility {};

TEST_F(AtSpi, TellsWhatChangesAndWhereTheFocusIsWhenAWindowComesBack)
{
    RecordedEvents recorded;
    ASSERT_TRUE(QAccessible::isActive()) << "no AT-SPI bus";
    RunProgram(desktop_, [&](FormView& launcher) {
        ASSERT_TRUE(QTest::qWaitForWindowActive(&launcher));
        const ui::Window& window = launcher.Model().Window();
        const auto position = [&](ui::ControlId control, int index) {
            return static_cast<int>(window.PositionOf(window.Control(control, index)));
        };
        const int button0 = position(lblBtnText, 0), button1 = position(lblBtnText, 1);
        const int description = position(lblDescr, -1);

        // The description line appears with the first button's text, then reads the second's.
        PressKey(launcher, Qt::Key_Tab);
        EXPECT_GE(recorded.Find(&launcher, QAccessible::ObjectShow, description), 0);
        EXPECT_GE(recorded.Find(&launcher, QAccessible::NameChanged, description), 0);
        EXPECT_EQ(recorded.LastFocus(&launcher), button0);
        recorded.events.clear();
        PressKey(launcher, Qt::Key_Tab);
        EXPECT_GE(recorded.Find(&launcher, QAccessible::NameChanged, description), 0);
        EXPECT_EQ(recorded.Find(&launcher, QAccessible::ObjectShow, description), -1);
        EXPECT_EQ(recorded.LastFocus(&launcher), button1);
        PressKey(launcher, Qt::Key_Tab);

        // When the documentation window closes, the launcher's focused button is told last.
        EXPECT_TRUE(KeyIntoModal(launcher, Qt::Key_Return, "frmOnlineDoc", [&](FormView& doc) {
            EXPECT_TRUE(QTest::qWaitForWindowActive(&doc));
            recorded.events.clear();
        }));
        EXPECT_TRUE(QTest::qWaitFor([&] { return recorded.LastFocus(&launcher) == button0; }, 5000));
    });
}

// Qt's bridge may reach the screen reader's bus after the launcher has taken the keyboard; once it
// does, the window and its focused label are told, or the reader never hears of them.
TEST_F(AtSpi, AWindowThatTookTheKeyboardBeforeTheBridgeWasOnIsToldOnceItIs)
{
    RecordedEvents recorded;
    ASSERT_TRUE(QAccessible::isActive()) << "no AT-SPI bus";
    RunProgram(desktop_, [&](FormView& launcher) {
        ASSERT_TRUE(QTest::qWaitForWindowActive(&launcher));
        PressKey(launcher, Qt::Key_Tab);
        const ui::Window& window = launcher.Model().Window();
        const int button0 = static_cast<int>(window.PositionOf(window.Control(lblBtnText, 0)));
        QTest::qWait(50);
        recorded.events.clear();
        QAccessible::setActive(true);
        EXPECT_TRUE(QTest::qWaitFor([&] { return recorded.LastFocus(&launcher) == button0; }, 5000));
        EXPECT_GE(recorded.Find(&launcher, QAccessible::Focus, -1), 0);
        EXPECT_LT(recorded.Find(&launcher, QAccessible::Focus, -1), recorded.Find(&launcher, QAccessible::Focus, button0));
    });
}

// The shared cases, through Qt's accessibility interfaces and what Qt passes on to the bridge.
class QtFrontEnd : public conformance::FrontEnd {
public:
    QtFrontEnd(FormView& view, RecordedEvents& recorded) : view_(view), recorded_(recorded) {}

    const ui::Window& Launcher() const override { return view_.Model().Window(); }

    conformance::Reading Read(std::size_t label) override
    {
        QAccessibleInterface* child = Accessible(view_)->child(static_cast<int>(label));
        if (child == nullptr)
            return {};
        conformance::Reading reading;
        // Qt's names for the roles.
        switch (child->role()) {
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
            reading.role = "role " + std::to_string(child->role());
            break;
        }
        reading.name = child->text(QAccessible::Name).toStdString();
        reading.description = child->text(QAccessible::Description).toStdString();
        const QAccessible::State state = child->state();
        const std::pair<bool, const char*> states[] = {
            {bool(state.focusable), "focusable"}, {bool(state.focused), "focused"},
            {bool(state.invisible), "invisible"}, {bool(state.disabled), "unavailable"},
            {bool(state.readOnly), "read-only"},  {bool(state.linked), "linked"}};
        for (const auto& [set, name] : states) {
            if (set)
                reading.states.insert(name);
        }
        reading.acts = child->actionInterface() != nullptr && !child->actionInterface()->actionNames().isEmpty();
        return reading;
    }

    void Press(Key key, Modifiers modifiers) override
    {
        Qt::KeyboardModifiers held;
        held.setFlag(Qt::ShiftModifier, modifiers.shift);
        held.setFlag(Qt::ControlModifier, modifiers.control);
        held.setFlag(Qt::AltModifier, modifiers.alt);
        held.setFlag(Qt::MetaModifier, modifiers.meta);
        QTest::keyClick(view_.windowHandle(), QtKey(key), held);
        QTest::qWait(20);
    }

    std::vector<conformance::Announcement> TakeAnnouncements() override
    {
        const std::map<QAccessible::Event, std::string> kinds = {
            {QAccessible::Focus, "focus"},       {QAccessible::ObjectShow, "show"},
            {QAccessible::ObjectHide, "hide"},   {QAccessible::NameChanged, "name"},
            {QAccessible::StateChanged, "state"}};
        std::vector<conformance::Announcement> told;
        for (const RecordedEvents::Event& event : recorded_.events) {
            const auto kind = kinds.find(event.type);
            if (event.object == &view_ && event.child >= 0 && kind != kinds.end())
                told.push_back({kind->second, static_cast<std::size_t>(event.child)});
        }
        recorded_.events.clear();
        return told;
    }

private:
    FormView& view_;
    RecordedEvents& recorded_;
};

TEST_F(AtSpi, LauncherFromTheKeyboardAsOnEveryDesktop)
{
    RecordedEvents recorded;
    ASSERT_TRUE(QAccessible::isActive()) << "no AT-SPI bus";
    RunProgram(desktop_, [&](FormView& launcher) {
        ASSERT_TRUE(QTest::qWaitForWindowActive(&launcher));
        QtFrontEnd frontEnd(launcher, recorded);
        conformance::LauncherFromTheKeyboard(frontEnd);
    });
}

TEST_F(Accessibility, PressingBrowseOpensTheDiscFolder)
{
    RunProgram(desktop_, [&](FormView& launcher) {
        QAccessibleActionInterface* actions = ChildFor(launcher, lblBtnText, 1)->actionInterface();
        ASSERT_NE(actions, nullptr);
        // The keys are the window's: AT-SPI would read bindings as the label's own shortcuts.
        EXPECT_TRUE(actions->keyBindingsForAction(QAccessibleActionInterface::pressAction()).isEmpty());
        actions->doAction(QAccessibleActionInterface::pressAction());
        ASSERT_TRUE(xdgOpen_.WaitForCalls(1));
        // Any other action does nothing.
        actions->doAction(QAccessibleActionInterface::showMenuAction());
    });
    EXPECT_EQ(xdgOpen_.OpenedPaths(), std::vector<std::string>{Normalised(disc_.Root())});
}

TEST_F(Accessibility, DocumentationWindowReportsHeadingsAndLinks)
{
    const Expected expected[] = {
        {lblTopics, 0, QAccessible::StaticText, "Online Documentation (Adobe Acrobat Required)", "", false, false, false},
        {lblTopics, 1, QAccessible::StaticText, "VELMO Documentation", "", false, false, false},
        {lblCases, 0, QAccessible::Link, "File Descriptions All Volumes", "", true, false, false},
        // The name is the caption as it reads, without its & marks.
        {lblCases, 1, QAccessible::Link, "Tom & Jerry", "", true, false, false},
        {lblCases, 2, QAccessible::Link, "File Descriptions Voulme 2", "", false, true, false},
        {lblCases, 5, QAccessible::Link, "Development Standards", "", false, true, false},
        {lblCases, kHtmlFormatIndex, QAccessible::Link, "HTML Format", "", true, false, false},
        {InstAcrobat, kInstAcrobatIndex, QAccessible::Link, "Install Adobe Acrobat Reader", "", true, false, false},
    };
    bool ran = false;
    RunProgram(desktop_, [&](FormView& launcher) {
        // A real X server gives the launcher the keyboard some time after it maps.
        ASSERT_TRUE(QTest::qWaitForWindowActive(&launcher));
        PressKey(launcher, Qt::Key_Tab);
        QAccessibleInterface* button = ChildFor(launcher, lblBtnText, 0);
        EXPECT_TRUE(QTest::qWaitFor([&] { return bool(button->state().focused); }, 5000));
        EXPECT_TRUE(IntoModal([&] { button->actionInterface()->doAction(QAccessibleActionInterface::pressAction()); },
                              "frmOnlineDoc", [&](FormView& doc) {
                                  ran = true;
                                  ASSERT_TRUE(QTest::qWaitForWindowActive(&doc));
                                  ExpectChildren(doc, QAccessible::Dialog, expected);
                                  PressKey(doc, Qt::Key_Tab);
                                  EXPECT_EQ(Accessible(doc)->focusChild(), ChildFor(doc, lblCases, 0));
                                  EXPECT_TRUE(ChildFor(doc, lblCases, 0)->state().focused);
                                  // One label has the focus: the launcher's button no longer reads as focused.
                                  EXPECT_FALSE(button->state().focused);
                                  EXPECT_EQ(Accessible(launcher)->focusChild(), nullptr);
                              }));
        // Back with the keyboard, the launcher's button reads as focused again.
        ASSERT_TRUE(QTest::qWaitFor([&] { return button->state().focused; }, 5000));
    });
    EXPECT_TRUE(ran);
}

TEST_F(Accessibility, PressingALinkOpensItsDocumentAndAGreyedOneNothing)
{
    InDocumentationWindow([&](FormView& doc) {
        EXPECT_EQ(ChildFor(doc, lblCases, 3)->actionInterface(), nullptr);
        ChildFor(doc, lblCases, 1)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        ASSERT_TRUE(xdgOpen_.WaitForCalls(1));
        // A label that was asked about once answers for the same label afterwards.
        EXPECT_EQ(ChildFor(doc, lblCases, 1), ChildFor(doc, lblCases, 1));
    });
    EXPECT_EQ(xdgOpen_.OpenedPaths(), std::vector<std::string>{Normalised(disc_.Root() / "docs" / "V1" / "V1DOC.PDF")});
    EXPECT_TRUE(boxes_.Boxes().empty());
}

TEST_F(Accessibility, AClosedWindowsLabelsGoInvalid)
{
    QAccessibleInterface* link = nullptr;
    QAccessible::Id id = 0;
    InDocumentationWindow([&](FormView& doc) {
        link = ChildFor(doc, lblCases, 0);
        id = QAccessible::uniqueId(link);
        EXPECT_TRUE(link->isValid());
    });
    // Deleted with the window's interface, so a reader holding its id finds nothing.
    EXPECT_EQ(QAccessible::accessibleInterface(id), nullptr);
}

} // namespace
} // namespace autorun::qt::test

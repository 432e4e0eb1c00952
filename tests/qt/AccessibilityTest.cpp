// What only Qt's accessibility can show: its interface tree, its action interface, and its bridge
// coming up late. What a screen reader reads and hears is in the shared cases.
#include "QtTestSupport.h"

#include "docwindow/OnlineDocDesign.h"
#include "launcher/AutoRunDesign.h"

#include <QAccessible>
#include <QTest>

#include <gtest/gtest.h>

namespace autorun::qt::test {
namespace {

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

class Accessibility : public ::testing::Test {
protected:
    Accessibility()
    {
        disc_.WriteInf(std::string(kLauncherSettings) + "[OnlineDoc]\n1=VOL,File Descriptions All Volumes\n");
        disc_.AddManual("VOL");
    }

    TestDisc disc_;
    XdgOpenStandIn xdgOpen_;
    DiscDesktop desktop_{disc_};
    BoxCloser boxes_;
};

// Each label's interface is the window's child at its position, the same one each time it is asked
// for, and offers Qt's press action alone, with no keys of its own.
void ExpectTree(FormView& view, QAccessible::Role role)
{
    QAccessibleInterface* window = Accessible(view);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->role(), role);
    for (int position = 0; position < window->childCount(); ++position) {
        SCOPED_TRACE(position);
        QAccessibleInterface* child = window->child(position);
        ASSERT_NE(child, nullptr);
        EXPECT_TRUE(child->isValid());
        EXPECT_EQ(child->parent(), window);
        EXPECT_EQ(window->indexOfChild(child), position);
        EXPECT_EQ(window->child(position), child);
        if (QAccessibleActionInterface* actions = child->actionInterface(); actions != nullptr) {
            EXPECT_EQ(actions->actionNames(), QStringList{QAccessibleActionInterface::pressAction()});
            // The keys are the window's: AT-SPI would read bindings as the label's own shortcuts.
            EXPECT_TRUE(actions->keyBindingsForAction(QAccessibleActionInterface::pressAction()).isEmpty());
        }
    }
}

TEST_F(Accessibility, WindowsAreQtInterfaceTreesThatGoWithTheirWindows)
{
    QAccessible::Id id = 0;
    RunProgram(desktop_, [&](FormView& launcher) {
        ExpectTree(launcher, QAccessible::Window);
        // Any action other than pressing does nothing.
        ChildFor(launcher, lblBtnText, 1)->actionInterface()->doAction(QAccessibleActionInterface::showMenuAction());
        QAccessibleInterface* button = ChildFor(launcher, lblBtnText, 0);
        EXPECT_TRUE(IntoModal([&] { button->actionInterface()->doAction(QAccessibleActionInterface::pressAction()); },
                              "frmOnlineDoc", [&](FormView& doc) {
                                  ExpectTree(doc, QAccessible::Dialog);
                                  id = QAccessible::uniqueId(ChildFor(doc, lblCases, 0));
                              }));
    });
    // Deleted with the window's interface, so a reader holding its id finds nothing.
    ASSERT_NE(id, 0U);
    EXPECT_EQ(QAccessible::accessibleInterface(id), nullptr);
    EXPECT_TRUE(xdgOpen_.Calls().empty());
}

// Only where a screen reader's bus is up does Qt pass events on (qt_tests.atspi).
class AtSpi : public Accessibility {};

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

} // namespace
} // namespace autorun::qt::test

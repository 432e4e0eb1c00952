#include "QtTestSupport.h"

#include "launcher/AutoRunDesign.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QApplication>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

namespace autorun::qt::test {
namespace {

const QColor kHoverText(0, 0, 192);
const QColor kNormalText(192, 64, 0);
// The description line where it lies over the dark foot of the artwork (which ends at row 420).
const QRect kDescriptionOverArtwork(24, 400, 568, 20);

ui::Label& Button(FormView& view, int index)
{
    return view.Model().Window().Control(lblBtnText, index);
}

const ui::Label& Description(FormView& view)
{
    return view.Model().Window().Control(lblDescr);
}

class LauncherView : public ::testing::Test {
protected:
    LauncherView() { disc_.WriteInf(kLauncherSettings); }

    TestDisc disc_;
    XdgOpenStandIn xdgOpen_;
    DiscDesktop desktop_{disc_};
    BoxCloser boxes_;
};

// What the launcher shows with button `lit` highlighted (or none, -1): colours, pixels, description.
void ExpectLit(FormView& view, int lit)
{
    const QImage shown = Rendered(view);
    for (int b = 0; b <= 1; ++b) {
        SCOPED_TRACE(b);
        const QRect box = PixelRect(Button(view, b).Bounds());
        EXPECT_EQ(Button(view, b).ForeColour(), b == lit ? ColorBtnHover : ColorBtnNormal);
        EXPECT_EQ(CountNear(shown, box, kHoverText) > 20, b == lit);
        EXPECT_EQ(CountNear(shown, box, kNormalText) > 20, b != lit);
    }
    EXPECT_EQ(Description(view).Visible(), lit >= 0);
    EXPECT_EQ(CountNear(shown, kDescriptionOverArtwork, kWhite) > 50, lit >= 0);
}

// What the shared cases cannot say in every desktop's terms: Qt's window types and modality.
TEST_F(LauncherView, WindowsAreQtsOwnKinds)
{
    RunProgram(desktop_, [&](FormView& launcher) {
        EXPECT_EQ(launcher.windowType(), Qt::Window);
        EXPECT_EQ(launcher.focusPolicy(), Qt::StrongFocus);
        const QPoint documentation = PixelCentre(Button(launcher, 0).Bounds());
        EXPECT_TRUE(DoubleClickIntoModal(launcher, documentation, "frmOnlineDoc", [&](FormView& doc) {
            EXPECT_EQ(doc.windowModality(), Qt::ApplicationModal);
            EXPECT_EQ(doc.parentWidget(), &launcher);
            EXPECT_EQ(QApplication::activeModalWidget(), &doc);
        }));
    });
}

TEST_F(LauncherView, KeysLightTheFocusedButtonAsThePointerDoes)
{
    struct Press {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int lit;
    };
    // Round and round in design order, whichever way.
    const Press presses[] = {
        {Qt::Key_Tab, Qt::NoModifier, 0},   {Qt::Key_Tab, Qt::NoModifier, 1},   {Qt::Key_Tab, Qt::NoModifier, 0},
        {Qt::Key_Tab, Qt::ShiftModifier, 1}, {Qt::Key_Backtab, Qt::ShiftModifier, 0}, {Qt::Key_Down, Qt::NoModifier, 1},
        {Qt::Key_Up, Qt::NoModifier, 0},    {Qt::Key_Left, Qt::NoModifier, 1},  {Qt::Key_Right, Qt::NoModifier, 0},
    };

    RunProgram(desktop_, [&](FormView& view) {
        // Nothing is lit before a key is pressed, and keys the launcher does not use change nothing.
        ExpectLit(view, -1);
        PressKey(view, Qt::Key_A);
        PressKey(view, Qt::Key_Escape);
        PressKey(view, Qt::Key_Tab, Qt::ControlModifier);
        ExpectLit(view, -1);
        int n = 0;
        for (const Press& press : presses) {
            SCOPED_TRACE(n++);
            PressKey(view, press.key, press.modifiers);
            ExpectLit(view, press.lit);
            EXPECT_EQ(Description(view).Caption(), press.lit == 0 ? "Read the manuals of the kit" : "See every file on the disc");
        }
        // The pointer takes over from the keyboard, and gives it back.
        QTest::mouseMove(view.windowHandle(), PixelCentre(Button(view, 1).Bounds()));
        ExpectLit(view, 1);
        PressKey(view, Qt::Key_Tab);
        ExpectLit(view, 0);
    });
    EXPECT_TRUE(xdgOpen_.Calls().empty());
}

TEST_F(LauncherView, EnterOrSpaceOnBrowseOpensTheDiscFolder)
{
    const Qt::Key keys[] = {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space};
    RunProgram(desktop_, [&](FormView& view) {
        // With no focus yet these keys do nothing.
        PressKey(view, Qt::Key_Return);
        PressKey(view, Qt::Key_Space);
        PressKey(view, Qt::Key_Tab);
        PressKey(view, Qt::Key_Tab);
        std::size_t calls = 0;
        for (const Qt::Key key : keys) {
            SCOPED_TRACE(key);
            PressKey(view, key);
            ASSERT_TRUE(xdgOpen_.WaitForCalls(++calls));
            ExpectLit(view, 1);
        }
    });
    EXPECT_EQ(xdgOpen_.OpenedPaths(), std::vector<std::string>(std::size(keys), Normalised(disc_.Root())));
    EXPECT_TRUE(boxes_.Boxes().empty());
}

TEST_F(LauncherView, KeysOpenTheDocumentationAndEscapeGivesTheKeyboardBack)
{
    const Qt::Key keys[] = {Qt::Key_Return, Qt::Key_Space};
    RunProgram(desktop_, [&](FormView& launcher) {
        ASSERT_TRUE(QTest::qWaitForWindowActive(&launcher, kWaitMs));
        PressKey(launcher, Qt::Key_Tab);
        for (const Qt::Key key : keys) {
            SCOPED_TRACE(key);
            bool closed = false;
            const bool opened = KeyIntoModal(launcher, key, "frmOnlineDoc", [&](FormView& doc) {
                EXPECT_TRUE(QTest::qWaitForWindowActive(&doc, kWaitMs));
                // Keys for the launcher go nowhere meanwhile.
                PressKey(launcher, Qt::Key_Tab);
                EXPECT_EQ(Button(launcher, 0).ForeColour(), ColorBtnHover);
                PressKey(doc, Qt::Key_Escape);
                closed = !doc.isVisible();
            });
            EXPECT_TRUE(opened);
            EXPECT_TRUE(closed);
            EXPECT_EQ(FindView("frmOnlineDoc"), nullptr);
            EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == &launcher; }, kWaitMs));
            EXPECT_TRUE(launcher.isActiveWindow());
            ExpectLit(launcher, 0);
        }
        // The focus stayed on the button: the next key moves on from it.
        PressKey(launcher, Qt::Key_Down);
        ExpectLit(launcher, 1);
    });
    EXPECT_TRUE(xdgOpen_.Calls().empty());
}

TEST_F(LauncherView, LeavingTheWindowKeepsTheHighlight)
{
    RunProgram(desktop_, [&](FormView& view) {
        QTest::mouseMove(view.windowHandle(), PixelCentre(Button(view, 1).Bounds()));
        ASSERT_EQ(Button(view, 1).ForeColour(), ColorBtnHover);
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(&view, &leave);
        EXPECT_EQ(Button(view, 1).ForeColour(), ColorBtnHover);
        EXPECT_TRUE(Description(view).Visible());
        EXPECT_GT(CountNear(Rendered(view), PixelRect(Button(view, 1).Bounds()), kHoverText), 20);
    });
}

TEST_F(LauncherView, DoubleClickOnBrowseOpensTheDiscFolder)
{
    RunProgram(desktop_, [&](FormView& view) {
        const QPoint browse = PixelCentre(Button(view, 1).Bounds());
        // A single click does nothing; the double-click opens.
        QTest::mouseClick(view.windowHandle(), Qt::LeftButton, {}, browse);
        QTest::mouseDClick(view.windowHandle(), Qt::LeftButton, {}, browse);
        ASSERT_TRUE(xdgOpen_.WaitForCalls(1));
    });
    EXPECT_EQ(xdgOpen_.OpenedPaths(), std::vector<std::string>{Normalised(disc_.Root())});
    EXPECT_TRUE(boxes_.Boxes().empty());
}

TEST_F(LauncherView, FailureOfTheFileBrowserIsReportedNamingTheFolder)
{
    struct Case {
        int status;
        QString reason;
    };
    const Case cases[] = {{1, "did not understand"}, {2, "does not exist"}, {3, "No program"}, {4, "failed"}};

    RunProgram(desktop_, [&](FormView& view) {
        const QPoint browse = PixelCentre(Button(view, 1).Bounds());
        // Success first: it must not add a box, so the boxes below line up with their cases.
        QTest::mouseDClick(view.windowHandle(), Qt::LeftButton, {}, browse);
        ASSERT_TRUE(xdgOpen_.WaitForCalls(1));
        std::size_t boxes = 0;
        for (const Case& c : cases) {
            SCOPED_TRACE(c.status);
            xdgOpen_.ExitWith(c.status);
            QTest::mouseDClick(view.windowHandle(), Qt::LeftButton, {}, browse);
            ASSERT_TRUE(boxes_.WaitForBoxes(++boxes));
            const BoxCloser::Box& box = boxes_.Boxes().back();
            EXPECT_EQ(box.title, "Autorun");
            EXPECT_TRUE(box.text.contains(QString::fromStdString(disc_.Root().string()))) << box.text.toStdString();
            EXPECT_TRUE(box.text.contains(c.reason)) << box.text.toStdString();
            EXPECT_EQ(box.parent, &view);
        }
    });
    EXPECT_EQ(boxes_.Boxes().size(), std::size(cases));
}

} // namespace
} // namespace autorun::qt::test

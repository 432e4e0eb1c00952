#include "QtTestSupport.h"

#include "launcher/AutoRunDesign.h"
#include "platform/qt/Pictures.h"

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
// Between the two buttons.
const QPoint kGap(300, 147);

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

TEST_F(LauncherView, ShowsTheDesignedWindowWhereTheModelPlacesIt)
{
    const int status = RunProgram(desktop_, [&](FormView& view) {
        const ui::Window& window = view.Model().Window();
        EXPECT_EQ(view.windowTitle(), "VELMO Developers Kit v7.03");
        EXPECT_EQ(view.size(), QSize(599, 427));
        EXPECT_EQ(view.minimumSize(), view.maximumSize());
        EXPECT_EQ(view.windowType(), Qt::Window);
        EXPECT_FALSE(view.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
        EXPECT_TRUE(view.windowFlags() & Qt::WindowCloseButtonHint);
        EXPECT_FALSE(view.windowIcon().isNull());
        // The icon's mask: clear around the book and in the disc's hole, solid on the book.
        const QImage icon = view.windowIcon().pixmap(32, 32).toImage().convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(icon.size(), QSize(32, 32));
        EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0);
        EXPECT_EQ(qAlpha(icon.pixel(21, 19)), 0);
        EXPECT_EQ(qAlpha(icon.pixel(10, 10)), 255);
        EXPECT_EQ(view.focusPolicy(), Qt::StrongFocus);
        EXPECT_EQ(view.frameGeometry().topLeft(),
                  QPoint(ui::ToPixels(window.Position().x), ui::ToPixels(window.Position().y)));

        // The splash picture at its own size from the top-left, the white back colour below it.
        const QImage shown = Rendered(view);
        const QImage splash = Picture(ui::Resource::SplashPicture).convertToFormat(QImage::Format_RGB32);
        EXPECT_EQ(shown.copy(0, 0, 599, 110), splash.copy(0, 0, 599, 110));
        EXPECT_EQ(CountOther(shown, QRect(0, 420, 599, 7), kWhite), 0);
    });
    EXPECT_EQ(status, 0);
}

TEST_F(LauncherView, HoverHighlightsOneButtonAndShowsItsDescription)
{
    struct Case {
        int button;
        std::string description;
    };
    const Case cases[] = {{0, "Read the manuals of the kit"}, {1, "See every file on the disc"}};

    RunProgram(desktop_, [&](FormView& view) {
        QWindow* window = view.windowHandle();
        for (const Case& c : cases) {
            SCOPED_TRACE(c.button);
            const int other = 1 - c.button;
            const QRect hovered = PixelRect(Button(view, c.button).Bounds());
            const QRect plain = PixelRect(Button(view, other).Bounds());

            QTest::mouseMove(window, hovered.center());
            EXPECT_EQ(Button(view, c.button).ForeColour(), ColorBtnHover);
            EXPECT_EQ(Button(view, other).ForeColour(), ColorBtnNormal);
            EXPECT_TRUE(Description(view).Visible());
            EXPECT_EQ(Description(view).Caption(), c.description);
            EXPECT_EQ(view.cursor().shape(), Qt::ArrowCursor);
            QImage shown = Rendered(view);
            EXPECT_GT(CountNear(shown, hovered, kHoverText), 20);
            EXPECT_EQ(CountNear(shown, hovered, kNormalText), 0);
            EXPECT_GT(CountNear(shown, plain, kNormalText), 20);
            EXPECT_EQ(CountNear(shown, plain, kHoverText), 0);
            EXPECT_GT(CountNear(shown, kDescriptionOverArtwork, kWhite), 50);

            QTest::mouseMove(window, kGap);
            EXPECT_EQ(Button(view, c.button).ForeColour(), ColorBtnNormal);
            EXPECT_FALSE(Description(view).Visible());
            EXPECT_EQ(view.cursor().shape(), Qt::ArrowCursor);
            shown = Rendered(view);
            EXPECT_EQ(CountNear(shown, hovered, kHoverText), 0);
            EXPECT_GT(CountNear(shown, hovered, kNormalText), 20);
            EXPECT_EQ(CountNear(shown, kDescriptionOverArtwork, kWhite), 0);
        }
    });
}

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

TEST_F(LauncherView, DescriptionBreaksOnlyBetweenWords)
{
    // A word far wider than the line goes whole onto the next line, which the label's height cuts off.
    disc_.WriteInf("[Descriptions]\n1=Online Documentation,Short " + std::string(70, 'W') + "\n");
    RunProgram(desktop_, [&](FormView& view) {
        QTest::mouseMove(view.windowHandle(), PixelCentre(Button(view, 0).Bounds()));
        ASSERT_TRUE(Description(view).Visible());
        const QImage shown = Rendered(view);
        const QRect firstLine(24, 400, 568, 10);
        EXPECT_GT(CountNear(shown, QRect(24, 400, 60, 10), kWhite), 20);
        EXPECT_EQ(CountNear(shown, firstLine.adjusted(60, 0, 0, 0), kWhite), 0);
    });
}

TEST_F(LauncherView, HighlightReachesTheScreenAndLeavesIt)
{
    RunProgram(desktop_, [&](FormView& view) {
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view, kWaitMs));
        const QRect button = PixelRect(Button(view, 0).Bounds());
        const auto highlighted = [&] { return CountNear(OnScreen(view), button, kHoverText) > 20; };
        const auto plain = [&] {
            const QImage shown = OnScreen(view);
            return CountNear(shown, button, kHoverText) == 0 && CountNear(shown, button, kNormalText) > 20 &&
                   CountNear(shown, kDescriptionOverArtwork, kWhite) == 0;
        };

        EXPECT_TRUE(QTest::qWaitFor(plain, kWaitMs));
        QTest::mouseMove(view.windowHandle(), button.center());
        EXPECT_TRUE(QTest::qWaitFor(highlighted, kWaitMs));
        EXPECT_TRUE(QTest::qWaitFor([&] { return CountNear(OnScreen(view), kDescriptionOverArtwork, kWhite) > 50; },
                                    kWaitMs));
        QTest::mouseMove(view.windowHandle(), kGap);
        EXPECT_TRUE(QTest::qWaitFor(plain, kWaitMs));
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

TEST_F(LauncherView, DocumentationOpensModallyAndTheLauncherWaits)
{
    RunProgram(desktop_, [&](FormView& launcher) {
        QWindow* window = launcher.windowHandle();
        const QPoint documentation = PixelCentre(Button(launcher, 0).Bounds());
        const QPoint browse = PixelCentre(Button(launcher, 1).Bounds());

        QTest::mouseMove(window, documentation);
        const bool opened = DoubleClickIntoModal(launcher, documentation, "frmOnlineDoc", [&](FormView& view) {
            EXPECT_EQ(view.windowTitle(), "VELMO Developers Kit v7.03 Online Documentation");
            EXPECT_EQ(view.windowType(), Qt::Dialog);
            EXPECT_EQ(view.windowModality(), Qt::ApplicationModal);
            EXPECT_EQ(view.parentWidget(), &launcher);
            EXPECT_EQ(view.size(), QSize(585, 262));
            EXPECT_EQ(QApplication::activeModalWidget(), &view);
            // Pointer input to the launcher goes nowhere meanwhile.
            QTest::mouseMove(window, browse);
            EXPECT_EQ(Button(launcher, 1).ForeColour(), ColorBtnNormal);
        });
        EXPECT_TRUE(opened);
        EXPECT_EQ(FindView("frmOnlineDoc"), nullptr);

        QTest::mouseMove(window, browse);
        EXPECT_EQ(Button(launcher, 1).ForeColour(), ColorBtnHover);
    });
}

// What the desktop's modality does not stop, a screen reader's press or an event sent straight to the
// window, must not act on the launcher either while the documentation window is shown.
TEST_F(LauncherView, NothingActsOnTheLauncherWhileTheDocumentationWindowIsShown)
{
    const auto press = [](FormView& launcher, int button) {
        const ui::Window& window = launcher.Model().Window();
        QAccessibleInterface* child = QAccessible::queryAccessibleInterface(&launcher)->child(
            static_cast<int>(window.PositionOf(window.Control(lblBtnText, button))));
        child->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    };
    const auto key = [](FormView& launcher, int) {
        QKeyEvent event(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(&launcher, &event);
    };
    const auto doubleClick = [](FormView& launcher, int button) {
        const QPointF at = PixelCentre(Button(launcher, button).Bounds());
        QMouseEvent event(QEvent::MouseButtonDblClick, at, launcher.mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(&launcher, &event);
    };
    const struct {
        const char* name;
        std::function<void(FormView&, int)> act;
    } routes[] = {{"a screen reader's press", press}, {"Return", key}, {"a double-click", doubleClick}};

    RunProgram(desktop_, [&](FormView& launcher) {
        // Return would open the documentation window again from the focused button.
        PressKey(launcher, Qt::Key_Tab);
        const bool opened = KeyIntoModal(launcher, Qt::Key_Return, "frmOnlineDoc", [&](FormView& doc) {
            // A second documentation window would show modally inside the route: close it, and count it.
            int second = 0;
            QTimer watch;
            QObject::connect(&watch, &QTimer::timeout, [&] {
                auto* shown = qobject_cast<FormView*>(QApplication::activeModalWidget());
                if (shown != nullptr && shown != &doc) {
                    ++second;
                    shown->close();
                }
            });
            watch.start(10);
            for (const auto& route : routes) {
                SCOPED_TRACE(route.name);
                for (int button = 0; button <= 1; ++button) {
                    route.act(launcher, button);
                    QTest::qWait(50);
                    EXPECT_EQ(second, 0);
                    EXPECT_TRUE(xdgOpen_.Calls().empty());
                    EXPECT_EQ(Button(launcher, 0).ForeColour(), ColorBtnHover);
                    EXPECT_EQ(Button(launcher, 1).ForeColour(), ColorBtnNormal);
                }
            }
            // The documentation window still answers.
            PressKey(doc, Qt::Key_Tab);
            EXPECT_TRUE(doc.Model().Window().Focus().has_value());
        });
        EXPECT_TRUE(opened);
        // Closed, it gives the launcher back.
        PressKey(launcher, Qt::Key_Down);
        PressKey(launcher, Qt::Key_Return);
        EXPECT_TRUE(xdgOpen_.WaitForCalls(1));
    });
}

} // namespace
} // namespace autorun::qt::test

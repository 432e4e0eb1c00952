#include "QtTestSupport.h"

#include "docwindow/OnlineDocDesign.h"
#include "launcher/AutoRunDesign.h"

#include <QRegularExpression>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

namespace autorun::qt::test {
namespace {

const QColor kLinkBlue(0, 0, 255);
const QColor kBlack(0, 0, 0);

ui::Label& Place(FormView& view, int index)
{
    return view.Model().Window().Control(lblCases, index);
}

QPoint Centre(FormView& view, ui::ControlId control, int index)
{
    return PixelCentre(view.Model().Window().Control(control, index).Bounds());
}

// The shown documentation window, reached the way the user reaches it; closed after action.
void InDocumentationWindow(DiscDesktop& desktop, const std::function<void(FormView& doc)>& action)
{
    RunProgram(desktop, [&](FormView& launcher) {
        const QPoint documentation = PixelCentre(launcher.Model().Window().Control(lblBtnText, 0).Bounds());
        EXPECT_TRUE(DoubleClickIntoModal(launcher, documentation, "frmOnlineDoc", action));
    });
}

class DocWindowView : public ::testing::Test {
protected:
    DocWindowView()
    {
        disc_.WriteInf(std::string(kLauncherSettings) + "[OnlineDoc]\n"
                                           "1=VOL,File Descriptions All Volumes\n"
                                           "2=MISS,Not on this disc\n"
                                           "3=V1,File Descriptions Volume 1\n"
                                           "4=UTL,Software Development Utilities\n");
        for (const char* code : {"VOL", "V1", "UTL"})
            disc_.AddManual(code);
    }

    TestDisc disc_;
    XdgOpenStandIn xdgOpen_;
    DiscDesktop desktop_{disc_};
    BoxCloser boxes_;
};

struct Entry {
    ui::ControlId control;
    int index;
};

// Every link of the design, greyed or not.
const Entry kLinks[] = {{lblCases, 0}, {lblCases, 1}, {lblCases, 2}, {lblCases, 3},
                        {lblCases, 4}, {lblCases, 5}, {lblCases, kHtmlFormatIndex}, {InstAcrobat, kInstAcrobatIndex}};

// The focus rectangle is the only black in a link's box: link text is coloured or grey.
void ExpectFocusRectangleOn(FormView& doc, const Entry* focused)
{
    const QImage shown = Rendered(doc);
    for (const Entry& link : kLinks) {
        SCOPED_TRACE(std::string(link.control.name) + " " + std::to_string(link.index));
        const QRect box = PixelRect(doc.Model().Window().Control(link.control, link.index).Bounds());
        const bool expected = focused != nullptr && focused->control == link.control && focused->index == link.index;
        const int black = CountNear(shown, box, kBlack, 24);
        if (expected) {
            // Dotted: about every other pixel of the rectangle's edges, which span the text.
            EXPECT_GT(black, box.height());
            // Both upright edges lie within the box.
            EXPECT_GT(CountNear(shown, QRect(box.left(), box.top(), 1, box.height()), kBlack, 24), 3);
        } else {
            EXPECT_EQ(black, 0);
        }
    }
}

TEST_F(DocWindowView, TabWalksTheLinksThatWorkAndDrawsTheFocusAroundOne)
{
    struct Press {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        Entry focused;
    };
    // The greyed places 3 to 5 are skipped.
    const Press presses[] = {
        {Qt::Key_Tab, Qt::NoModifier, {lblCases, 0}},
        {Qt::Key_Tab, Qt::NoModifier, {lblCases, 1}},
        {Qt::Key_Down, Qt::NoModifier, {lblCases, 2}},
        {Qt::Key_Tab, Qt::NoModifier, {lblCases, kHtmlFormatIndex}},
        {Qt::Key_Right, Qt::NoModifier, {InstAcrobat, kInstAcrobatIndex}},
        {Qt::Key_Tab, Qt::NoModifier, {lblCases, 0}},
        {Qt::Key_Tab, Qt::ShiftModifier, {InstAcrobat, kInstAcrobatIndex}},
        {Qt::Key_Up, Qt::NoModifier, {lblCases, kHtmlFormatIndex}},
        {Qt::Key_Left, Qt::NoModifier, {lblCases, 2}},
    };

    InDocumentationWindow(desktop_, [&](FormView& doc) {
        ExpectFocusRectangleOn(doc, nullptr);
        int n = 0;
        for (const Press& press : presses) {
            SCOPED_TRACE(n++);
            PressKey(doc, press.key, press.modifiers);
            const ui::Window& window = doc.Model().Window();
            ASSERT_TRUE(window.Focus().has_value());
            EXPECT_EQ(*window.Focus(), window.PositionOf(window.Control(press.focused.control, press.focused.index)));
            ExpectFocusRectangleOn(doc, &press.focused);
        }
    });
    EXPECT_TRUE(xdgOpen_.Calls().empty());
    EXPECT_TRUE(boxes_.Boxes().empty());
}

TEST_F(DocWindowView, FocusRectangleReachesTheScreen)
{
    InDocumentationWindow(desktop_, [&](FormView& doc) {
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&doc, kWaitMs));
        const QRect first = PixelRect(Place(doc, 0).Bounds());
        const QRect second = PixelRect(Place(doc, 1).Bounds());
        const auto focusOn = [&](const QRect& on, const QRect& off) {
            return [&, on, off] {
                const QImage shown = OnScreen(doc);
                return CountNear(shown, on, kBlack, 24) > on.height() && CountNear(shown, off, kBlack, 24) == 0;
            };
        };
        EXPECT_TRUE(QTest::qWaitFor([&] { return CountNear(OnScreen(doc), first, kLinkBlue) > 20; }, kWaitMs));
        EXPECT_EQ(CountNear(OnScreen(doc), first, kBlack, 24), 0);
        PressKey(doc, Qt::Key_Tab);
        EXPECT_TRUE(QTest::qWaitFor(focusOn(first, second), kWaitMs));
        PressKey(doc, Qt::Key_Tab);
        EXPECT_TRUE(QTest::qWaitFor(focusOn(second, first), kWaitMs));
    });
}

TEST_F(DocWindowView, EnterOrSpaceOpensTheFocusedEntry)
{
    struct Case {
        int tabs;
        Qt::Key key;
        std::filesystem::path opened;
    };
    const Case cases[] = {
        {2, Qt::Key_Return, std::filesystem::path("docs") / "V1" / "V1DOC.PDF"},
        {1, Qt::Key_Space, std::filesystem::path("docs") / "UTL" / "UTLDOC.PDF"},
        {1, Qt::Key_Enter, std::filesystem::path("docs") / "basis" / "html" / "index.htm"},
    };
    InDocumentationWindow(desktop_, [&](FormView& doc) {
        // Nothing has the focus yet, so nothing opens.
        PressKey(doc, Qt::Key_Return);
        std::size_t calls = 0;
        for (const Case& c : cases) {
            SCOPED_TRACE(c.opened.string());
            for (int t = 0; t < c.tabs; ++t)
                PressKey(doc, Qt::Key_Tab);
            PressKey(doc, c.key);
            ASSERT_TRUE(xdgOpen_.WaitForCalls(++calls));
            EXPECT_EQ(xdgOpen_.OpenedPaths().back(), Normalised(disc_.Root() / c.opened));
        }
        EXPECT_EQ(FindView("frmOnlineDoc"), &doc);
    });
    EXPECT_EQ(xdgOpen_.Calls().size(), std::size(cases));
    EXPECT_TRUE(boxes_.Boxes().empty());
}

TEST_F(DocWindowView, ClickingALinkOpensItsDocument)
{
    InDocumentationWindow(desktop_, [&](FormView& doc) {
        QTest::mouseClick(doc.windowHandle(), Qt::LeftButton, {}, Centre(doc, lblCases, 4)); // greyed: nothing
        QTest::mouseClick(doc.windowHandle(), Qt::LeftButton, {}, Centre(doc, lblCases, 1));
        ASSERT_TRUE(xdgOpen_.WaitForCalls(1));
        QTest::mouseClick(doc.windowHandle(), Qt::LeftButton, {}, Centre(doc, lblCases, kHtmlFormatIndex));
        ASSERT_TRUE(xdgOpen_.WaitForCalls(2));
    });
    const std::vector<std::string> expected = {Normalised(disc_.Root() / "docs" / "V1" / "V1DOC.PDF"),
                                               Normalised(disc_.Root() / "docs" / "basis" / "html" / "index.htm")};
    EXPECT_EQ(xdgOpen_.OpenedPaths(), expected);
    EXPECT_TRUE(boxes_.Boxes().empty());
}

TEST_F(DocWindowView, DocumentThatCannotBeOpenedIsReportedNamingIt)
{
    InDocumentationWindow(desktop_, [&](FormView& doc) {
        const QString manual = QString::fromStdString((disc_.Root() / "docs" / "UTL" / "UTLDOC.PDF").string());
        xdgOpen_.ExitWith(3);
        QTest::mouseClick(doc.windowHandle(), Qt::LeftButton, {}, Centre(doc, lblCases, 2));
        ASSERT_TRUE(boxes_.WaitForBoxes(1));
        EXPECT_EQ(boxes_.Boxes()[0].title, "Autorun");
        EXPECT_TRUE(boxes_.Boxes()[0].text.contains(manual)) << boxes_.Boxes()[0].text.toStdString();
        EXPECT_TRUE(boxes_.Boxes()[0].text.contains("No program")) << boxes_.Boxes()[0].text.toStdString();
        EXPECT_EQ(boxes_.Boxes()[0].parent, &doc);

        // With no xdg-open at all the document is named too, and the window stays.
        xdgOpen_.Remove();
        QTest::mouseClick(doc.windowHandle(), Qt::LeftButton, {}, Centre(doc, lblCases, 2));
        ASSERT_TRUE(boxes_.WaitForBoxes(2));
        EXPECT_EQ(boxes_.Boxes()[1].title, "Autorun");
        EXPECT_TRUE(boxes_.Boxes()[1].text.contains(manual)) << boxes_.Boxes()[1].text.toStdString();
        EXPECT_EQ(FindView("frmOnlineDoc"), &doc);
    });
}

// The launch folder found at start-up stays the program's: once the disc is gone, whether its path is
// missing or shows the empty folder it was mounted on, every action says so and nothing else stands in.
TEST_F(DocWindowView, ADiscGoneWhileTheProgramRunsIsReportedAsNoLongerAvailable)
{
    const std::filesystem::path root = disc_.Root();
    const std::filesystem::path moved = root.string() + ".gone";
    for (const bool mountPointLeft : {false, true}) {
        SCOPED_TRACE(mountPointLeft ? "the empty mount point left" : "the path missing");
        const std::size_t before = boxes_.Boxes().size();
        RunProgram(desktop_, [&](FormView& launcher) {
            std::filesystem::rename(root, moved);
            if (mountPointLeft)
                std::filesystem::create_directory(root);
            const QPoint documentation = PixelCentre(launcher.Model().Window().Control(lblBtnText, 0).Bounds());
            EXPECT_TRUE(DoubleClickIntoModal(launcher, documentation, "frmOnlineDoc", [&](FormView& doc) {
                // No catalogue and no manual can be read: the places keep their design.
                EXPECT_FALSE(Place(doc, 0).Enabled());
                EXPECT_EQ(Place(doc, 1).Caption(), "File Descriptions Voulme 1");
                QTest::mouseClick(doc.windowHandle(), Qt::LeftButton, {}, Centre(doc, lblCases, kHtmlFormatIndex));
                ASSERT_TRUE(boxes_.WaitForBoxes(before + 1));
                QTest::mouseClick(doc.windowHandle(), Qt::LeftButton, {}, Centre(doc, InstAcrobat, kInstAcrobatIndex));
                ASSERT_TRUE(boxes_.WaitForBoxes(before + 2));
            }));
            const QPoint browse = PixelCentre(launcher.Model().Window().Control(lblBtnText, 1).Bounds());
            QTest::mouseMove(launcher.windowHandle(), browse);
            QTest::mouseDClick(launcher.windowHandle(), Qt::LeftButton, {}, browse);
            ASSERT_TRUE(boxes_.WaitForBoxes(before + 3));
        });
        std::filesystem::remove(root);
        std::filesystem::rename(moved, root);
        ASSERT_EQ(boxes_.Boxes().size(), before + 3);
        for (std::size_t i = before; i < before + 3; ++i) {
            const BoxCloser::Box& box = boxes_.Boxes()[i];
            EXPECT_TRUE(box.text.contains(QString::fromStdString("\"" + root.string() + "\", is no longer available")))
                << box.text.toStdString();
        }
    }
    EXPECT_TRUE(xdgOpen_.Calls().empty());
}

} // namespace
} // namespace autorun::qt::test

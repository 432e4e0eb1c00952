#include "QtTestSupport.h"

#include "docwindow/OnlineDocDesign.h"
#include "launcher/AutoRunDesign.h"

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
    DocWindowView() { disc_.WriteCatalogue(); }

    TestDisc disc_;
    XdgOpenStandIn xdgOpen_;
    DiscDesktop desktop_{disc_};
    BoxCloser boxes_;
};

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

#include "QtTestSupport.h"

#include "launcher/AutoRunDesign.h"

#include <QApplication>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

namespace autorun::qt::test {
namespace {

ui::Label& Button(FormView& view, int index)
{
    return view.Model().Window().Control(lblBtnText, index);
}

class LauncherView : public ::testing::Test {
protected:
    LauncherView() { disc_.WriteInf(kLauncherSettings); }

    TestDisc disc_;
    XdgOpenStandIn xdgOpen_;
    DiscDesktop desktop_{disc_};
    BoxCloser boxes_;
};

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

// Qt's own spellings of keys the shared cases press: Shift+Tab as Tab with Shift held, and the
// keypad's Enter.
TEST_F(LauncherView, TabWithShiftAndTheKeypadsEnterActAsTheirKeys)
{
    RunProgram(desktop_, [&](FormView& view) {
        PressKey(view, Qt::Key_Tab);
        PressKey(view, Qt::Key_Tab, Qt::ShiftModifier);
        EXPECT_EQ(Button(view, 1).ForeColour(), ColorBtnHover);
        PressKey(view, Qt::Key_Enter);
        ASSERT_TRUE(WaitForCalls(xdgOpen_, 1));
    });
    EXPECT_EQ(xdgOpen_.OpenedPaths(), std::vector<std::string>{Normalised(disc_.Root())});
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
        ASSERT_TRUE(WaitForCalls(xdgOpen_, 1));
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

// The views on screens of 1, 1.5 and 2 device pixels a pixel (QT_SCALE_FACTOR, set per run by
// the test registrations): what only Qt's scaling shows.
#include "QtTestSupport.h"

#include "app/Program.h"
#include "docwindow/OnlineDocDesign.h"
#include "launcher/AutoRunDesign.h"
#include "platform/qt/Pictures.h"

#include <QGuiApplication>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include <cstdlib>

namespace autorun::qt::test {
namespace {

double ScaleFactor()
{
    const char* factor = std::getenv("QT_SCALE_FACTOR");
    return factor != nullptr && *factor != '\0' ? std::atof(factor) : 1.0;
}

class Scale : public ::testing::Test {
protected:
    Scale()
    {
        disc_.WriteInf(std::string(kLauncherSettings) + "[OnlineDoc]\n1=VOL,File Descriptions All Volumes\n");
        disc_.AddManual("VOL");
    }

    double scale_ = ScaleFactor();
    TestDisc disc_;
    XdgOpenStandIn xdgOpen_;
    DiscDesktop desktop_{disc_};
    BoxCloser boxes_;
};

// Qt's own scaling: the windows keep the design's size in Qt's pixels, each of them scale device
// pixels, as Qt rounds them.
TEST_F(Scale, WindowsKeepTheDesignsSizeInQtsPixels)
{
    RunProgram(desktop_, [&](FormView& launcher) {
        EXPECT_DOUBLE_EQ(launcher.devicePixelRatioF(), scale_);
        EXPECT_EQ(launcher.size(), QSize(599, 427));
        EXPECT_EQ(Rendered(launcher).size(), QSize(qRound(599 * scale_), qRound(427 * scale_)));
        const QPoint documentation = PixelCentre(launcher.Model().Window().Control(lblBtnText, 0).Bounds());
        EXPECT_TRUE(DoubleClickIntoModal(launcher, documentation, "frmOnlineDoc", [&](FormView& doc) {
            EXPECT_EQ(Rendered(doc).size(), QSize(qRound(585 * scale_), qRound(262 * scale_)));
        }));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&launcher, kWaitMs));
        // Qt's offscreen screen grabs its windows unscaled.
        if (QGuiApplication::platformName() == "xcb") {
            EXPECT_EQ(OnScreen(launcher).size(), QSize(qRound(599 * scale_), qRound(427 * scale_)));
        }
    });
}

TEST_F(Scale, HandPointerAndIconComeInTheSizeTheScreenNeeds)
{
    const bool dense = scale_ >= 1.5;
    RunProgram(desktop_, [&](FormView& launcher) {
        const QList<QSize> sizes = launcher.windowIcon().availableSizes();
        EXPECT_TRUE(sizes.contains(QSize(32, 32)));
        EXPECT_TRUE(sizes.contains(QSize(64, 64)));

        const QPoint documentation = PixelCentre(launcher.Model().Window().Control(lblBtnText, 0).Bounds());
        EXPECT_TRUE(DoubleClickIntoModal(launcher, documentation, "frmOnlineDoc", [&](FormView& doc) {
            QTest::mouseMove(doc.windowHandle(), PixelCentre(doc.Model().Window().Control(lblCases, 0).Bounds()));
            const QCursor cursor = doc.cursor();
            ASSERT_EQ(cursor.shape(), Qt::BitmapCursor);
            // The hot spot in the pointer's own pixels, wherever the image has it.
            EXPECT_EQ(cursor.hotSpot(), QPoint(13, 9));
            const QPixmap pixmap = cursor.pixmap();
            EXPECT_EQ(pixmap.size(), dense ? QSize(64, 64) : QSize(32, 32));
            EXPECT_DOUBLE_EQ(pixmap.devicePixelRatio(), dense ? 2.0 : 1.0);
            const QImage hand = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
            const int d = dense ? 2 : 1;
            EXPECT_EQ(qAlpha(hand.pixel(0, 0)), 0);
            EXPECT_EQ(hand.pixel(13 * d, 9 * d), qRgb(0, 0, 0));         // the fingertip's outline
            EXPECT_EQ(hand.pixel(13 * d, 12 * d), qRgb(255, 255, 255)); // inside the finger
        }));
    });
}

} // namespace
} // namespace autorun::qt::test

namespace autorun::qt::test {
namespace {

// A nonsensical QT_SCALE_FACTOR (0, nan, inf, -1, 1e6; set per run by the test registrations) makes Qt
// show no window or a huge one, as it does for any Qt program. Centring on what Qt then reports must
// not overflow, and both windows must still open and close.
TEST(AbsurdScale, WindowsAreCentredWithoutOverflowAndStillWork)
{
    TestDisc disc;
    disc.WriteInf(kLauncherSettings);
    DiscDesktop desktop(disc);
    BoxCloser boxes;
    const auto expectSane = [](ui::Point p) {
        constexpr ui::Twips kFar = ui::ToTwips(1 << 21);
        EXPECT_LE(std::abs(p.x), kFar);
        EXPECT_LE(std::abs(p.y), kFar);
    };
    const ui::Size screen = desktop.ScreenSize();
    EXPECT_GE(screen.width, 0);
    EXPECT_GE(screen.height, 0);
    // Not RunProgram: QTest's own pointer helpers compute on the window's size and overflow themselves.
    bool ran = false;
    QTimer::singleShot(0, [&] {
        FormView* launcher = FindView("frmAutoRun");
        ASSERT_NE(launcher, nullptr);
        ran = true;
        expectSane(launcher->Model().Window().Position());
        PressKey(*launcher, Qt::Key_Tab);
        EXPECT_TRUE(KeyIntoModal(*launcher, Qt::Key_Return, "frmOnlineDoc", [&](FormView& doc) {
            expectSane(doc.Model().Window().Position());
            PressKey(doc, Qt::Key_Escape);
        }));
        launcher->close();
    });
    const int status = RunAutorun(desktop);
    EXPECT_TRUE(ran);
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(boxes.Boxes().empty());
}

} // namespace
} // namespace autorun::qt::test

// The views on screens of 1, 1.5 and 2 device pixels a pixel (QT_SCALE_FACTOR, set per run by
// the test registrations). Each run is a process of its own: what has been decoded is counted
// from the program's start.
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

const QColor kHoverText(0, 0, 192);

double ScaleFactor()
{
    const char* factor = std::getenv("QT_SCALE_FACTOR");
    return factor != nullptr && *factor != '\0' ? std::atof(factor) : 1.0;
}

QRect DeviceRect(const QRect& logical, double scale)
{
    return {qRound(logical.x() * scale), qRound(logical.y() * scale), qRound(logical.width() * scale),
            qRound(logical.height() * scale)};
}

// The mean difference per channel between two images of one size.
double MeanDifference(const QImage& a, const QImage& b)
{
    double sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    }
    return sum / (3.0 * a.width() * a.height());
}

// What the device pixels of a picture's place should show: the nearest picture at least as
// large, at this scale; and what they would show if the 1x picture were enlarged instead.
void ExpectDrawnFromTheDensePicture(const QImage& shown, const QRect& logical, ui::Resource once,
                                    ui::Resource twice, double scale)
{
    const QRect device = DeviceRect(logical, scale);
    const QImage drawn = shown.copy(device);
    const QImage small = Picture(once).convertToFormat(QImage::Format_RGB32);
    if (scale == 1) {
        EXPECT_EQ(drawn, small.copy(QRect(QPoint(0, 0), device.size())));
        return;
    }
    const QImage large = Picture(twice).convertToFormat(QImage::Format_RGB32);
    const QSize full = (QSizeF(large.size()) * (scale / 2)).toSize();
    const QImage fromLarge =
        (scale == 2 ? large : large.scaled(full, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)).copy(
            QRect(QPoint(0, 0), device.size()));
    const QImage fromSmall = small.scaled(full, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                 .copy(QRect(QPoint(0, 0), device.size()));
    const double offLarge = MeanDifference(drawn, fromLarge);
    const double offSmall = MeanDifference(drawn, fromSmall);
    if (scale == 2) {
        // Pixel for pixel, give or take rounding in the filter.
        EXPECT_LT(offLarge, 0.5);
    }
    EXPECT_LT(offLarge * 2, offSmall) << offLarge << " " << offSmall;
}

// Only the picture this density draws from has been decoded, before the test looks at either:
// at 1x never the larger one.
void ExpectDecodedForThisDensity(ui::Resource once, ui::Resource twice)
{
    const bool dense = ScaleFactor() > 1;
    EXPECT_EQ(Decoded(twice), dense);
    EXPECT_EQ(Decoded(once), !dense);
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

TEST_F(Scale, WindowsFillTheScaledDevicePixelsFromTheirOwnPictures)
{
    RunProgram(desktop_, [&](FormView& launcher) {
        EXPECT_DOUBLE_EQ(launcher.devicePixelRatioF(), scale_);
        // The window's model draws at the screen's density, as on Windows.
        EXPECT_EQ(launcher.Model().Window().Dpi(), qRound(96 * scale_));
        // The design's size in pixels, each pixel scale device pixels.
        EXPECT_EQ(launcher.size(), QSize(599, 427));
        const QSize device(qRound(599 * scale_), qRound(427 * scale_));
        const QImage shown = Rendered(launcher);
        EXPECT_EQ(shown.size(), device);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&launcher, kWaitMs));
        // Qt's offscreen screen grabs its windows unscaled.
        if (QGuiApplication::platformName() == "xcb") {
            EXPECT_EQ(OnScreen(launcher).size(), device);
        }
        ExpectDecodedForThisDensity(ui::Resource::SplashPicture, ui::Resource::SplashPicture2x);
        // Above the buttons the splash picture shows alone.
        ExpectDrawnFromTheDensePicture(shown, QRect(0, 0, 599, 110), ui::Resource::SplashPicture,
                                       ui::Resource::SplashPicture2x, scale_);

        const QPoint documentation = PixelCentre(launcher.Model().Window().Control(lblBtnText, 0).Bounds());
        QTest::mouseMove(launcher.windowHandle(), documentation);
        EXPECT_TRUE(DoubleClickIntoModal(launcher, documentation, "frmOnlineDoc", [&](FormView& doc) {
            const QImage docShown = Rendered(doc);
            EXPECT_EQ(docShown.size(), QSize(qRound(585 * scale_), qRound(262 * scale_)));
            ExpectDecodedForThisDensity(ui::Resource::DocumentImage, ui::Resource::DocumentImage2x);
            ExpectDrawnFromTheDensePicture(docShown, QRect(16, 8, 32, 32), ui::Resource::DocumentImage,
                                           ui::Resource::DocumentImage2x, scale_);
        }));
    });
}

TEST_F(Scale, PointerActsWhereTheScaledButtonsAre)
{
    RunProgram(desktop_, [&](FormView& view) {
        QWindow* window = view.windowHandle();
        const QRect browse = PixelRect(view.Model().Window().Control(lblBtnText, 1).Bounds());
        // Just inside the button's edges, and just outside.
        QTest::mouseMove(window, browse.bottomRight());
        EXPECT_EQ(view.Model().Window().Control(lblBtnText, 1).ForeColour(), ColorBtnHover);
        EXPECT_GT(CountNear(Rendered(view), DeviceRect(browse, scale_), kHoverText), 20 * scale_ * scale_);
        QTest::mouseMove(window, browse.bottomRight() + QPoint(0, 1));
        EXPECT_EQ(view.Model().Window().Control(lblBtnText, 1).ForeColour(), ColorBtnNormal);
        QTest::mouseMove(window, browse.topLeft());
        EXPECT_EQ(view.Model().Window().Control(lblBtnText, 1).ForeColour(), ColorBtnHover);
        QTest::mouseDClick(window, Qt::LeftButton, {}, browse.topLeft());
        ASSERT_TRUE(xdgOpen_.WaitForCalls(1));
    });
    EXPECT_EQ(xdgOpen_.OpenedPaths(), std::vector<std::string>{Normalised(disc_.Root())});
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

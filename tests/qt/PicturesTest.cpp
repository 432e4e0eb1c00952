#include "platform/qt/Pictures.h"

#include <QColor>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace autorun::qt::test {
namespace {

// The share of pixels where `twice` differs from `once` with each pixel doubled by more than
// `tolerance` in some channel.
double ShareUnlikeDoubled(const QImage& once, const QImage& twice, int tolerance)
{
    long unlike = 0;
    for (int y = 0; y < twice.height(); ++y) {
        for (int x = 0; x < twice.width(); ++x) {
            const QRgb a = twice.pixel(x, y);
            const QRgb b = once.pixel(x / 2, y / 2);
            const int most = std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                       std::abs(qBlue(a) - qBlue(b))});
            if (most > tolerance)
                ++unlike;
        }
    }
    return static_cast<double>(unlike) / (static_cast<double>(twice.width()) * twice.height());
}

TEST(Pictures, TwiceSizePicturesAreDrawnAnewAtExactlyTwiceTheSize)
{
    // A copy of the 1x picture enlarged by doubling its pixels or by smooth scaling stays under
    // each least share. The JPEG's is low for its broad flat areas, with a tolerance above its
    // compression noise; the small bitmap is mostly edges.
    struct Case {
        const char* name;
        ui::Resource once;
        ui::Resource twice;
        int tolerance;
        double leastShareUnlike;
    };
    const Case cases[] = {
        {"splash", ui::Resource::SplashPicture, ui::Resource::SplashPicture2x, 32, 0.01},
        {"document", ui::Resource::DocumentImage, ui::Resource::DocumentImage2x, 48, 0.10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QImage once = Picture(c.once).convertToFormat(QImage::Format_RGB32);
        const QImage twice = Picture(c.twice).convertToFormat(QImage::Format_RGB32);
        ASSERT_FALSE(once.isNull());
        ASSERT_FALSE(twice.isNull());
        ASSERT_EQ(twice.size(), once.size() * 2);
        EXPECT_GE(ShareUnlikeDoubled(once, twice, c.tolerance), c.leastShareUnlike);
    }
}

TEST(Pictures, IconAndCursorFilesGiveTheImageNearestTheSizeAskedFor)
{
    struct Case {
        ui::Resource file;
        int wanted;
        int width;
        QPoint hotSpot;
    };
    // The smallest image at least as large, else the largest; a cursor's hot spot goes with its image.
    const Case cases[] = {
        {ui::Resource::ProgramIcon, 16, 32, {}},       {ui::Resource::ProgramIcon, 32, 32, {}},
        {ui::Resource::ProgramIcon, 33, 64, {}},       {ui::Resource::ProgramIcon, 64, 64, {}},
        {ui::Resource::ProgramIcon, 256, 64, {}},      {ui::Resource::HandPointer, 32, 32, {13, 9}},
        {ui::Resource::HandPointer, 48, 64, {26, 18}}, {ui::Resource::HandPointer, 96, 64, {26, 18}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(static_cast<int>(c.file)) + " at " + std::to_string(c.wanted));
        const IconImage& icon = IconFileImage(c.file, c.wanted);
        ASSERT_EQ(icon.image.size(), QSize(c.width, c.width));
        EXPECT_EQ(icon.hotSpot, c.hotSpot);
        // Each image with its own mask: clear in the corner, solid somewhere inside.
        const QImage image = icon.image.convertToFormat(QImage::Format_ARGB32);
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
        int solid = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x)
                solid += qAlpha(image.pixel(x, y)) == 255 ? 1 : 0;
        }
        EXPECT_GT(solid, c.width * c.width / 8);
    }
    EXPECT_EQ(&Picture(ui::Resource::ProgramIcon), &IconFileImage(ui::Resource::ProgramIcon, 32).image);
}

} // namespace
} // namespace autorun::qt::test

#include "ui/Appearance.h"
#include "ui/Geometry.h"

#include <gtest/gtest.h>

namespace autorun::ui {
namespace {

TEST(Geometry, TwipsConvertAtTheWindowsDensity)
{
    struct Row {
        int dpi;
        Twips twips;
        int pixels;
    };
    const Row rows[] = {
        {96, 0, 0},      {96, 14, 0},     {96, 15, 1},    {96, 8985, 599},  {96, -1, -1},  {96, -15, -1},
        {96, -16, -2},   {144, 9, 0},     {144, 10, 1},   {144, 8985, 898}, {144, -1, -1}, {192, 7, 0},
        {192, 8, 1},     {192, 15, 2},    {192, 8985, 1198}, {192, -8, -2}, {120, 8985, 748},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.twips << " twips at " << row.dpi);
        EXPECT_EQ(ToPixels(row.twips, row.dpi), row.pixels);
    }
}

// Every pixel the pointer can stand on maps back into the pixel it came from, and into a
// rectangle exactly when the rectangle is drawn over that pixel, at every density.
TEST(Geometry, PointerPositionsAgreeWithThePixelsDrawn)
{
    const Rect rects[] = {{3600, 1800, 4095, 375}, {840, 1200, 2880, 240}, {1001, 7, 13, 29}, {-40, -40, 50, 50}};
    for (const int dpi : {96, 120, 144, 168, 192, 288}) {
        for (const Rect& r : rects) {
            const PixelBox box = ToPixels(r, dpi);
            for (int x = box.left - 2; x < box.right + 2; ++x) {
                const Twips t = PointerTwips(x, dpi);
                ASSERT_EQ(ToPixels(t, dpi), x) << dpi;
                const bool inside = x >= box.left && x < box.right;
                ASSERT_EQ(r.Contains({t, r.top}), inside) << "pixel " << x << " at " << dpi;
            }
        }
    }
}

TEST(Geometry, RectanglesThatMeetInTwipsMeetInPixelsWithoutOverlap)
{
    // Two links one above the other, as the documentation window stacks them.
    const Rect upper{840, 1680, 2880, 240};
    const Rect lower{840, 1920, 2880, 240};
    for (const int dpi : {96, 120, 144, 192}) {
        EXPECT_EQ(ToPixels(upper, dpi).bottom, ToPixels(lower, dpi).top) << dpi;
        EXPECT_EQ(ToPixels(Rect{0, 0, 8985, 6405}, dpi).Width(), ToPixels(8985, dpi)) << dpi;
    }
}

TEST(PictureChoice, EachScaleDrawsFromTheNearestPictureAtLeastAsLarge)
{
    struct Row {
        Resource picture;
        int dpi;
        ScaledPicture expected;
    };
    const Row rows[] = {
        {Resource::SplashPicture, 96, {Resource::SplashPicture, 1}},
        {Resource::SplashPicture, 120, {Resource::SplashPicture2x, 2}},
        {Resource::SplashPicture, 192, {Resource::SplashPicture2x, 2}},
        {Resource::SplashPicture, 288, {Resource::SplashPicture2x, 2}}, // the largest there is
        {Resource::DocumentImage, 48, {Resource::DocumentImage, 1}},
        {Resource::DocumentImage, 144, {Resource::DocumentImage2x, 2}},
        {Resource::ProgramIcon, 192, {Resource::ProgramIcon, 1}}, // sizes inside the file
        {Resource::None, 192, {Resource::None, 1}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << static_cast<int>(row.picture) << " at " << row.dpi << " dpi");
        EXPECT_EQ(PictureFor(row.picture, row.dpi), row.expected);
    }
}

} // namespace
} // namespace autorun::ui

// Both windows at the density the run gives the screen, 96, 144 or 192 dots per inch, each run a
// program of its own: what has been decoded is counted from its start. Points are at the design's
// density; pictures are in the screen's pixels.
#include "Cases.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace autorun::conformance {
namespace {

class AtThisDensity : public OnEveryDesktop {
protected:
    int dpi_ = desktop_.Density();
};

int Channel(Rgb pixel, int shift)
{
    return static_cast<int>(pixel >> shift & 0xFF);
}

// The image brought to another size, each pixel the mean of the part of the image it covers.
Image Resized(const Image& image, int width, int height)
{
    const double sx = static_cast<double>(image.width) / width;
    const double sy = static_cast<double>(image.height) / height;
    // How much of source pixel i the span [from, to) covers.
    const auto overlap = [](int i, double from, double to) {
        return std::max(0.0, std::min<double>(i + 1, to) - std::max<double>(i, from));
    };
    Image resized{width, height, {}};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            double sum[3] = {}, weight = 0;
            for (int v = static_cast<int>(y * sy); v < std::min(image.height, static_cast<int>(std::ceil((y + 1) * sy))); ++v) {
                for (int u = static_cast<int>(x * sx); u < std::min(image.width, static_cast<int>(std::ceil((x + 1) * sx))); ++u) {
                    const double w = overlap(u, x * sx, (x + 1) * sx) * overlap(v, y * sy, (y + 1) * sy);
                    for (int c = 0; c < 3; ++c)
                        sum[c] += w * Channel(image.At(u, v), 16 - 8 * c);
                    weight += w;
                }
            }
            Rgb pixel = 0;
            for (int c = 0; c < 3; ++c)
                pixel |= static_cast<Rgb>(std::lround(sum[c] / weight)) << (16 - 8 * c);
            resized.pixels.push_back(pixel);
        }
    }
    return resized;
}

// The mean difference per channel between two images of one size.
double MeanDifference(const Image& a, const Image& b)
{
    double sum = 0;
    for (std::size_t i = 0; i < a.pixels.size(); ++i) {
        for (const int shift : {16, 8, 0})
            sum += std::abs(Channel(a.pixels[i], shift) - Channel(b.pixels[i], shift));
    }
    return sum / (3.0 * static_cast<double>(a.pixels.size()));
}

// What a picture's place shows: the picture itself at the standard density; above it, nearer the
// larger picture brought to this density than the smaller one enlarged (each desktop scales with a
// filter of its own), and the larger one pixel for pixel at twice the density.
void ExpectDrawnFromTheDensePicture(Driver& desktop, const Image& shown, const ui::Rect& place,
                                    ui::Resource once, ui::Resource twice, int dpi)
{
    const ui::PixelBox device = ui::ToPixels(place, dpi);
    const Image drawn = shown.Part(device);
    const Image small = desktop.Picture(once);
    const ui::PixelBox inside{0, 0, drawn.width, drawn.height};
    if (dpi == ui::kDesignDpi) {
        EXPECT_TRUE(drawn == small.Part(inside));
        return;
    }
    const Image large = desktop.Picture(twice);
    const Image fromLarge =
        (dpi == 2 * ui::kDesignDpi ? large
                                   : Resized(large, large.width * dpi / (2 * ui::kDesignDpi),
                                             large.height * dpi / (2 * ui::kDesignDpi)))
            .Part(inside);
    const Image fromSmall =
        Resized(small, small.width * dpi / ui::kDesignDpi, small.height * dpi / ui::kDesignDpi).Part(inside);
    const double offLarge = MeanDifference(drawn, fromLarge);
    const double offSmall = MeanDifference(drawn, fromSmall);
    if (dpi == 2 * ui::kDesignDpi) {
        EXPECT_LT(offLarge, 0.5);
    }
    EXPECT_LT(offLarge, offSmall) << offLarge << " " << offSmall;
}

TEST_F(AtThisDensity, WindowsFillTheScreensPixelsFromTheArtworkForTheDensity)
{
    WriteCatalogue();
    desktop_.Run([&](ui::Window& launcher) {
        // Only the picture this density draws from has been decoded, before the test looks at either.
        EXPECT_EQ(desktop_.Decoded(ui::Resource::SplashPicture2x), dpi_ > ui::kDesignDpi);
        EXPECT_EQ(desktop_.Decoded(ui::Resource::SplashPicture), dpi_ == ui::kDesignDpi);
        EXPECT_EQ(launcher.Dpi(), dpi_);
        const Image shown = desktop_.Painted(launcher);
        // Above the buttons the splash picture shows alone.
        ExpectDrawnFromTheDensePicture(desktop_, shown, {0, 0, ui::ToTwips(599), ui::ToTwips(110)},
                                       ui::Resource::SplashPicture, ui::Resource::SplashPicture2x, dpi_);

        EXPECT_TRUE(OpenDocumentation(launcher, [&](ui::Window& doc) {
            EXPECT_EQ(desktop_.Decoded(ui::Resource::DocumentImage2x), dpi_ > ui::kDesignDpi);
            EXPECT_EQ(desktop_.Decoded(ui::Resource::DocumentImage), dpi_ == ui::kDesignDpi);
            EXPECT_EQ(doc.Dpi(), dpi_);
            const Image docShown = desktop_.Painted(doc);
            ExpectDrawnFromTheDensePicture(desktop_, docShown, doc.Images().at(0).rect, ui::Resource::DocumentImage,
                                           ui::Resource::DocumentImage2x, dpi_);
        }));
    });
    EXPECT_TRUE(desktop_.Boxes().empty());
}

TEST_F(AtThisDensity, PointerActsWhereTheButtonsAreDrawn)
{
    desktop_.Run([&](ui::Window& launcher) {
        const ui::Label& browse = launcher.Control(lblBtnText, 1);
        const ui::PixelBox box = PixelsOf(browse);
        // Just inside the button's edges, and just outside.
        desktop_.MoveTo(launcher, {box.right - 1, box.bottom - 1});
        EXPECT_EQ(browse.ForeColour(), ColorBtnHover);
        EXPECT_GT(CountNear(desktop_.Painted(launcher), ui::ToPixels(browse.Bounds(), dpi_), kHoverText),
                  20 * dpi_ * dpi_ / (ui::kDesignDpi * ui::kDesignDpi));
        desktop_.MoveTo(launcher, {box.right - 1, box.bottom});
        EXPECT_EQ(browse.ForeColour(), ColorBtnNormal);
        desktop_.MoveTo(launcher, {box.left, box.top});
        EXPECT_EQ(browse.ForeColour(), ColorBtnHover);
        desktop_.DoubleClick(launcher, {box.left, box.top});
        EXPECT_TRUE(desktop_.WaitForFoldersShown(1));
    });
}

} // namespace
} // namespace autorun::conformance

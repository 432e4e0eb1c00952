#include "Conformance.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <ostream>
#include <string>

namespace autorun::conformance {

void PrintTo(const Reading& reading, std::ostream* out)
{
    *out << "{" << reading.role << ", \"" << reading.name << "\", \"" << reading.description << "\", {";
    for (const std::string& state : reading.states)
        *out << state << " ";
    *out << "}, " << (reading.acts ? "acts" : "does not act") << "}";
}

void PrintTo(const Announcement& announcement, std::ostream* out)
{
    *out << announcement.what << " " << announcement.label;
}

namespace {

bool Near(Rgb a, Rgb b, int tolerance)
{
    for (int shift : {16, 8, 0}) {
        const int difference = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
        if (std::abs(difference) > tolerance)
            return false;
    }
    return true;
}

// The part of area that lies inside the image.
ui::PixelBox Within(const Image& image, const ui::PixelBox& area)
{
    return {std::max(0, area.left), std::max(0, area.top), std::min(image.width, area.right),
            std::min(image.height, area.bottom)};
}

} // namespace

Image Image::Part(const ui::PixelBox& area) const
{
    const ui::PixelBox inside = Within(*this, area);
    Image part{std::max(0, inside.Width()), std::max(0, inside.Height()), {}};
    for (int y = inside.top; y < inside.bottom; ++y) {
        for (int x = inside.left; x < inside.right; ++x)
            part.pixels.push_back(At(x, y));
    }
    return part;
}

int CountNear(const Image& image, const ui::PixelBox& area, Rgb colour, int tolerance)
{
    const Image part = image.Part(area);
    return static_cast<int>(std::count_if(part.pixels.begin(), part.pixels.end(),
                                          [&](Rgb pixel) { return Near(pixel, colour, tolerance); }));
}

int CountOther(const Image& image, const ui::PixelBox& area, Rgb colour)
{
    const Image part = image.Part(area);
    return static_cast<int>(part.pixels.size()) - CountNear(part, {0, 0, part.width, part.height}, colour, 0);
}

void KeepScreenshot(const Image& image, std::string_view name)
{
    const char* prefix = std::getenv("AUTORUN_SCREENSHOTS");
    if (prefix == nullptr || *prefix == '\0')
        return;
    std::string file = prefix + std::string(name) + ".ppm";
    std::replace(file.begin() + static_cast<std::ptrdiff_t>(std::strlen(prefix)), file.end(), ' ', '-');
    std::ofstream out(file, std::ios::binary);
    out << "P6\n" << image.width << ' ' << image.height << "\n255\n";
    for (const Rgb pixel : image.pixels)
        out << static_cast<char>(pixel >> 16) << static_cast<char>(pixel >> 8 & 0xFF) << static_cast<char>(pixel & 0xFF);
    EXPECT_TRUE(out.flush()) << "cannot write " << file;
}

int DistinctColours(const Image& image)
{
    std::vector<Rgb> colours = image.pixels;
    std::sort(colours.begin(), colours.end());
    return static_cast<int>(std::unique(colours.begin(), colours.end()) - colours.begin());
}

ui::PixelBox PixelsOf(const ui::Label& label)
{
    return ui::ToPixels(label.Bounds());
}

Spot CentreOf(const ui::Label& label)
{
    const ui::Rect r = label.Bounds();
    return {ui::ToPixels(r.left + r.width / 2), ui::ToPixels(r.top + r.height / 2)};
}

} // namespace autorun::conformance

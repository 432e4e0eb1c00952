// Window geometry in twips (1/1440 inch), the unit of every layout in the program.
// Front ends convert at their window's dots per inch: 15 twips a pixel at 96, 10 at 144, 7.5 at 192.
#pragma once

#include <cstdint>

namespace autorun::ui {

using Twips = int;

inline constexpr int kTwipsPerInch = 1440;
// The density the designs were laid out at.
inline constexpr int kDesignDpi = 96;
inline constexpr Twips kTwipsPerPixel = kTwipsPerInch / kDesignDpi;

struct Point {
    Twips x = 0;
    Twips y = 0;

    bool operator==(const Point&) const = default;
};

struct Size {
    Twips width = 0;
    Twips height = 0;
};

struct Rect {
    Twips left = 0;
    Twips top = 0;
    Twips width = 0;
    Twips height = 0;

    // Half-open: the right and bottom edges belong to what lies beyond.
    constexpr bool Contains(Point p) const
    {
        return p.x >= left && p.x < left + width && p.y >= top && p.y < top + height;
    }
};

namespace detail {
constexpr std::int64_t FloorDivide(std::int64_t a, std::int64_t b)
{
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}
} // namespace detail

// The pixel a twip falls in. Rounds towards minus infinity, so a window placed left of the screen
// stays there, and edges that do not overlap in twips never overlap in pixels.
constexpr int ToPixels(Twips twips, int dpi = kDesignDpi)
{
    return static_cast<int>(detail::FloorDivide(std::int64_t{twips} * dpi, kTwipsPerInch));
}

// A whole number of pixels as a length or an offset in twips (screen and frame sizes).
constexpr Twips ToTwips(int pixels, int dpi = kDesignDpi)
{
    return static_cast<Twips>(detail::FloorDivide(std::int64_t{pixels} * kTwipsPerInch, dpi));
}

// The last twip that falls in the pixel: where the pointer stands when it is over that pixel. A
// point so placed lies in a rectangle exactly when the pixel is one ToPixels draws the rectangle on.
constexpr Twips PointerTwips(int pixel, int dpi = kDesignDpi)
{
    return static_cast<Twips>(detail::FloorDivide(std::int64_t{pixel + 1} * kTwipsPerInch + dpi - 1, dpi)) - 1;
}

constexpr Point PointerTwips(int x, int y, int dpi)
{
    return {PointerTwips(x, dpi), PointerTwips(y, dpi)};
}

// The pixels a rectangle covers: each edge converts on its own, so rectangles that meet in twips
// meet in pixels.
struct PixelBox {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    constexpr int Width() const { return right - left; }
    constexpr int Height() const { return bottom - top; }
    bool operator==(const PixelBox&) const = default;
};

constexpr PixelBox ToPixels(const Rect& r, int dpi = kDesignDpi)
{
    return {ToPixels(r.left, dpi), ToPixels(r.top, dpi), ToPixels(r.left + r.width, dpi),
            ToPixels(r.top + r.height, dpi)};
}

} // namespace autorun::ui

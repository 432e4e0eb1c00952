// Window geometry in twips (1/1440 inch), the unit of every layout in the program.
// Front ends convert at 15 twips per pixel (96 dots per inch).
#pragma once

namespace autorun::ui {

using Twips = int;

inline constexpr Twips kTwipsPerPixel = 15;

struct Point {
    Twips x = 0;
    Twips y = 0;
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

constexpr Twips ToTwips(int pixels) { return pixels * kTwipsPerPixel; }
// Rounds towards minus infinity, so a window placed left of the screen stays there.
constexpr int ToPixels(Twips twips)
{
    return twips >= 0 ? twips / kTwipsPerPixel : -((-twips + kTwipsPerPixel - 1) / kTwipsPerPixel);
}

} // namespace autorun::ui

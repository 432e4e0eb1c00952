// What a control looks like, independent of any toolkit: colours, fonts, pointer
// shapes and the pictures the program carries.
#pragma once

#include "ui/Geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace autorun::ui {

// 0x00BBGGRR, red in the low byte. Values with the top bit set name a system colour by its Windows
// index, as the designs give them; ShadeOf tells front ends which.
using Colour = std::uint32_t;

inline constexpr Colour kSystemColourFlag = 0x80000000u;
// The desktop's standard text colour for controls.
inline constexpr Colour kButtonText = 0x80000012u;

constexpr bool IsSystemColour(Colour c) { return (c & kSystemColourFlag) != 0; }
constexpr int Red(Colour c) { return static_cast<int>(c & 0xFF); }
constexpr int Green(Colour c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int Blue(Colour c) { return static_cast<int>((c >> 16) & 0xFF); }

// The desktop's own colours the windows use, by what they are for; each desktop takes them from its
// theme.
enum class SystemColour {
    Text,   // of controls' text
    Light,  // the lit edge of a raised surface
    Shadow, // its shaded edge, and greyed text
    Window, // a window's background
};

// A colour as a front end draws it: one of the desktop's, or a fixed one.
struct Shade {
    std::optional<SystemColour> system;
    Colour fixed = 0; // 0x00BBGGRR, where system is none

    bool operator==(const Shade&) const = default;
};

// A design's colour as a front end draws it; a system colour the windows do not use reads as text.
constexpr Shade ShadeOf(Colour colour)
{
    if (!IsSystemColour(colour))
        return {std::nullopt, colour & 0x00FFFFFFu};
    switch (colour & 0xFFu) {
    case 0x05:
        return {SystemColour::Window};
    case 0x10:
        return {SystemColour::Shadow};
    case 0x14:
        return {SystemColour::Light};
    default:
        return {SystemColour::Text};
    }
}

// The colours of the desktop's theme the windows draw with, as its front end reads them (0x00BBGGRR).
struct DesktopColours {
    Colour text = 0x000000;   // controls' text
    Colour light = 0xFFFFFF;  // the lit edge of a raised surface
    Colour shadow = 0x808080; // its shaded edge
    Colour window = 0xFFFFFF; // a window's background
    // The desktop's high-contrast mode, and the colours it sets for it.
    bool highContrast = false;
    Colour windowText = 0x000000;
    Colour link = 0xCC6600;     // hyperlinks: hot-track on Windows
    Colour greyText = 0x6D6D6D; // unavailable items
    Colour highlight = 0xD77800;

    bool operator==(const DesktopColours&) const = default;
};

// A design's colour in the desktop's theme.
constexpr Colour Resolve(const Shade& shade, const DesktopColours& desktop)
{
    if (!shade.system)
        return shade.fixed;
    switch (*shade.system) {
    case SystemColour::Text:
        return desktop.text;
    case SystemColour::Light:
        return desktop.light;
    case SystemColour::Shadow:
        return desktop.shadow;
    case SystemColour::Window:
        break;
    }
    return desktop.window;
}

// The contrast ratio of two colours by their relative luminance, as accessibility guidelines measure
// it: 1 for the same, 21 for black on white.
inline double ContrastRatio(Colour a, Colour b)
{
    const auto luminance = [](Colour c) {
        const auto linear = [](int channel) {
            const double v = channel / 255.0;
            return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(Red(c)) + 0.7152 * linear(Green(c)) + 0.0722 * linear(Blue(c));
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The least contrast normal text needs against its background to be read.
inline constexpr double kLegibleContrast = 4.5;

// Text in this colour where it reads on the background, or black or white, whichever reads better.
inline Colour Legible(Colour text, Colour background)
{
    if (ContrastRatio(text, background) >= kLegibleContrast)
        return text;
    return ContrastRatio(0x000000, background) >= ContrastRatio(0xFFFFFF, background) ? 0x000000 : 0xFFFFFF;
}

inline constexpr int kWeightNormal = 400;
inline constexpr int kWeightBold = 700;

struct Font {
    std::string name;
    double points = 8.25;
    int weight = kWeightNormal;
    bool italic = false;
    bool underline = false;

    bool operator==(const Font&) const = default;
};

// The character height of a font in pixels at a density.
inline int FontPixels(const Font& font, int dpi)
{
    return static_cast<int>(std::lround(font.points * dpi / 72));
}

// The family a desktop that lacks a design's Windows font draws it in: one with the same metrics,
// so that captions wrap as designed.
constexpr std::string_view SubstituteFont(std::string_view)
{
    return "Liberation Sans"; // Arial's metrics, and near enough MS Sans Serif's at the sizes used
}

enum class Pointer { Arrow, Hand };

// The pictures embedded in the program; each front end decodes them its own way. Each one's value
// is its Windows resource number.
enum class Resource {
    None = 0,
#define AUTORUN_PICTURE(name, number, file, type, format, larger) name = number,
#include "resources/PictureList.inc"
#undef AUTORUN_PICTURE
};

// How a picture's file is stored, which says how a front end decodes it.
enum class PictureFormat { None, Icon, Cursor, Bitmap, Jpeg };

// What the list says of a picture: its format, and the same picture at twice the size, if any.
struct PictureInfo {
    Resource picture = Resource::None;
    PictureFormat format = PictureFormat::None;
    Resource larger = Resource::None;
};

inline constexpr PictureInfo kPictures[] = {
#define AUTORUN_PICTURE(name, number, file, type, format, larger) \
    {Resource::name, PictureFormat::format, Resource::larger},
#include "resources/PictureList.inc"
#undef AUTORUN_PICTURE
};

constexpr PictureInfo InfoOf(Resource picture)
{
    for (const PictureInfo& info : kPictures) {
        if (info.picture == picture)
            return info;
    }
    return {};
}

// A larger picture is the same kind of file and has none larger itself: density 2 is the largest.
static_assert([] {
    for (const PictureInfo& info : kPictures) {
        if (info.larger != Resource::None &&
            (InfoOf(info.larger).format != info.format || InfoOf(info.larger).larger != Resource::None))
            return false;
    }
    return true;
}());

// A picture to draw and how many device pixels each of its pixels stands for.
struct ScaledPicture {
    Resource picture = Resource::None;
    int density = 1;

    bool operator==(const ScaledPicture&) const = default;
};

// The picture of the design drawn at dpi dots per inch (the design's 96 is 1x) comes from the larger
// picture above 1x, where there is one: never upscaled when a larger one exists, and at 1x the
// larger ones are never touched. Icons and pointers carry their sizes inside one file.
constexpr ScaledPicture PictureFor(Resource picture, int dpi)
{
    if (const Resource larger = InfoOf(picture).larger; dpi > kDesignDpi && larger != Resource::None)
        return {larger, 2};
    return {picture, 1};
}

enum class Frame { FixedSingle, FixedDialog };

} // namespace autorun::ui

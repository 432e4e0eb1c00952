// What a control looks like, independent of any toolkit: colours, fonts, pointer
// shapes and the pictures the program carries.
#pragma once

#include "ui/Geometry.h"

#include <cstdint>
#include <string>

namespace autorun::ui {

// 0x00BBGGRR, red in the low byte. Values with the top bit set name a system colour
// that the front end resolves from the desktop's theme.
using Colour = std::uint32_t;

inline constexpr Colour kSystemColourFlag = 0x80000000u;
// The desktop's standard text colour for controls.
inline constexpr Colour kButtonText = 0x80000012u;

constexpr bool IsSystemColour(Colour c) { return (c & kSystemColourFlag) != 0; }
constexpr int Red(Colour c) { return static_cast<int>(c & 0xFF); }
constexpr int Green(Colour c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int Blue(Colour c) { return static_cast<int>((c >> 16) & 0xFF); }

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

enum class Pointer { Arrow, Hand };

// The pictures embedded in the program; each front end decodes them its own way. Each one's value
// is its Windows resource number.
enum class Resource {
    None = 0,
#define AUTORUN_PICTURE(name, number, file, type) name = number,
#include "resources/PictureList.inc"
#undef AUTORUN_PICTURE
};

// A picture to draw and how many device pixels each of its pixels stands for.
struct ScaledPicture {
    Resource picture = Resource::None;
    int density = 1;

    bool operator==(const ScaledPicture&) const = default;
};

// The picture of the design drawn at dpi dots per inch (the design's 96 is 1x) comes from the nearest
// picture at least that large, or the largest there is: never upscaled when a larger one exists, and
// at 1x the larger ones are never touched. Icons and pointers carry their sizes inside one file.
constexpr ScaledPicture PictureFor(Resource picture, int dpi)
{
    if (dpi > kDesignDpi) {
        switch (picture) {
        case Resource::SplashPicture:
            return {Resource::SplashPicture2x, 2};
        case Resource::DocumentImage:
            return {Resource::DocumentImage2x, 2};
        default:
            break;
        }
    }
    return {picture, 1};
}

enum class Frame { FixedSingle, FixedDialog };

} // namespace autorun::ui

#include "Conformance.h"

#include "launcher/AutoRunDesign.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ostream>

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

bool Has(const std::vector<Announcement>& told, const Announcement& wanted)
{
    return std::find(told.begin(), told.end(), wanted) != told.end();
}

} // namespace

void LauncherFromTheKeyboard(FrontEnd& frontEnd)
{
    const ui::Window& window = frontEnd.Launcher();
    const std::size_t button0 = window.PositionOf(window.Control(lblBtnText, 0));
    const std::size_t button1 = window.PositionOf(window.Control(lblBtnText, 1));
    const std::size_t description = window.PositionOf(window.Control(lblDescr));
    const std::string text0 = "Read the manuals of the kit";
    const std::string text1 = "See every file on the disc";
    const Reading documentation{"button", "Online Documentation", text0, {"focusable"}, true};
    const Reading browse{"button", "Browse this CD", text1, {"focusable"}, true};
    const auto with = [](Reading reading, const std::string& state) {
        reading.states.insert(state);
        return reading;
    };
    const Reading line{"text", "", "", {"read-only"}, false};
    const auto describing = [&](const std::string& text) {
        Reading shown = line;
        shown.name = text;
        return shown;
    };

    struct Step {
        const char* keys;
        Key key;
        Modifiers modifiers;
        Reading documentation, browse, description;
        std::vector<Announcement> told;     // among what the keys announced
        std::vector<Announcement> untold{}; // never announced by them
    };
    const Step steps[] = {
        {"Tab", Key::Tab, {}, with(documentation, "focused"), browse, describing(text0),
         {{"show", description}, {"name", description}, {"focus", button0}}},
        // The desktop's, on both: Ctrl+Tab, Alt+Down and the Windows key with Tab move nothing.
        {"Ctrl+Tab", Key::Tab, {.control = true}, with(documentation, "focused"), browse, describing(text0), {},
         {{"focus", button1}}},
        {"Alt+Down", Key::Down, {.alt = true}, with(documentation, "focused"), browse, describing(text0), {},
         {{"focus", button1}}},
        {"Tab", Key::Tab, {}, documentation, with(browse, "focused"), describing(text1),
         {{"name", description}, {"focus", button1}}, {{"show", description}}},
        {"Shift+Tab", Key::Tab, {.shift = true}, with(documentation, "focused"), browse, describing(text0),
         {{"name", description}, {"focus", button0}}},
    };
    frontEnd.TakeAnnouncements();
    EXPECT_EQ(frontEnd.Read(button0), documentation);
    EXPECT_EQ(frontEnd.Read(button1), browse);
    EXPECT_EQ(frontEnd.Read(description), with(line, "invisible"));
    for (const Step& step : steps) {
        SCOPED_TRACE(step.keys);
        frontEnd.Press(step.key, step.modifiers);
        const std::vector<Announcement> told = frontEnd.TakeAnnouncements();
        EXPECT_EQ(frontEnd.Read(button0), step.documentation);
        EXPECT_EQ(frontEnd.Read(button1), step.browse);
        EXPECT_EQ(frontEnd.Read(description), step.description);
        for (const Announcement& wanted : step.told)
            EXPECT_TRUE(Has(told, wanted)) << testing::PrintToString(wanted) << " not among " << testing::PrintToString(told);
        for (const Announcement& unwanted : step.untold)
            EXPECT_FALSE(Has(told, unwanted)) << testing::PrintToString(unwanted);
    }
}

} // namespace autorun::conformance

namespace autorun::conformance {
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

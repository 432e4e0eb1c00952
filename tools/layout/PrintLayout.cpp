// Prints both windows' designs as shell assignments, in pixels at 96 dots per inch, for the
// scripts that point at labels and look for their colours. They read the layout from here rather
// than keep copies, so a changed design moves them with it, and a control that is gone leaves its
// variable unset, which the scripts' `set -u` reports by name.
#include "docwindow/OnlineDocDesign.h"
#include "launcher/AutoRunDesign.h"

#include <cstdio>
#include <string>
#include <string_view>

namespace {

using namespace autorun;

std::string Quoted(std::string_view text)
{
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// x y width height of the pixels the rectangle covers, as the front ends draw it.
void PrintBox(const std::string& name, const ui::Rect& r)
{
    const int left = ui::ToPixels(r.left);
    const int top = ui::ToPixels(r.top);
    std::printf("%s=(%d %d %d %d)\n", name.c_str(), left, top, ui::ToPixels(r.left + r.width) - left,
                ui::ToPixels(r.top + r.height) - top);
}

void PrintColour(const char* name, ui::Colour colour)
{
    std::printf("%s='#%02X%02X%02X'\n", name, ui::Red(colour), ui::Green(colour), ui::Blue(colour));
}

void PrintWindow(const ui::WindowDesign& design)
{
    const std::string window(design.name);
    std::printf("%s_title=%s\n", window.c_str(), Quoted(design.title).c_str());
    std::printf("%s_client=(%d %d)\n", window.c_str(), ui::ToPixels(design.client.width),
                ui::ToPixels(design.client.height));
    for (const ui::LabelDesign& label : design.labels) {
        std::string name(label.control.name);
        if (label.index >= 0)
            name += "_" + std::to_string(label.index);
        PrintBox(name, label.rect);
    }
    for (const ui::ImageDesign& image : design.images)
        PrintBox(std::string(image.name), image.rect);
}

} // namespace

int main()
{
    PrintWindow(AutoRunDesign());
    PrintWindow(OnlineDocDesign());
    PrintColour("ColorBtnNormal", ColorBtnNormal);
    PrintColour("ColorBtnHover", ColorBtnHover);
    PrintColour("ColorDocLink", ColorDocLink);
    PrintColour("ColorDocGrey", ColorDocGrey);
    PrintColour("ColorInstaller", ColorInstaller);
    return 0;
}

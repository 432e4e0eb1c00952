// Prints both windows' designs as shell assignments, in pixels at 96 dots per inch, for the
// scripts that point at labels and look for their colours. They read the layout from here rather
// than keep copies, so a changed design moves them with it, and a control that is gone leaves its
// variable unset, which the scripts' `set -u` reports by name.
// Given a disc's folder, the launcher's title is the one it shows on that disc, from its autorun.inf,
// which the scripts find its window by.
// autorun_layout [DISC]
#include "app/AppPath.h"
#include "docwindow/OnlineDocDesign.h"
#include "launcher/AutoRunDesign.h"
#include "launcher/frmAutoRun.h"
#include "platform/fake/FakeDesktop.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
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

void PrintWindow(const ui::WindowDesign& design, std::string_view title)
{
    const std::string window(design.name);
    std::printf("%s_title=%s\n", window.c_str(), Quoted(title).c_str());
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

// The disc's autorun.inf, or else the one entry whose name matches it ignoring letter case, as the
// program finds it on a disc mounted with upper-cased names.
std::optional<std::filesystem::path> SettingsFile(const std::filesystem::path& disc)
{
    std::error_code error;
    if (std::filesystem::is_regular_file(disc / kInfFileName, error))
        return disc / kInfFileName;
    for (const auto& entry : std::filesystem::directory_iterator(disc, error)) {
        std::string name = entry.path().filename().string();
        std::transform(name.begin(), name.end(), name.begin(),
                       [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
        if (name == kInfFileName && entry.is_regular_file(error))
            return entry.path();
    }
    return std::nullopt;
}

// The launcher's title on the disc: the launcher loaded on a desktop that holds the disc's settings
// file, so that the rules for the title stay the launcher's own.
std::optional<std::string> LauncherTitle(const std::filesystem::path& disc)
{
    const std::optional<std::filesystem::path> file = SettingsFile(disc);
    if (!file)
        return std::nullopt;
    std::ifstream in(*file, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string bytes(std::istreambuf_iterator<char>(in), {});
    FakeDesktop desktop;
    desktop.files[InfFilePath(ResolveAppPath(desktop.programFolder))] = std::move(bytes);
    frmAutoRun launcher(desktop);
    launcher.Load();
    return launcher.Window().Title();
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc > 2) {
        std::fputs("usage: autorun_layout [DISC]\n", stderr);
        return 2;
    }
    std::string launcherTitle(AutoRunDesign().title);
    if (argc == 2) {
        const std::optional<std::string> title = LauncherTitle(argv[1]);
        if (!title) {
            std::fprintf(stderr, "autorun_layout: cannot read %s/%s\n", argv[1], std::string(kInfFileName).c_str());
            return 1;
        }
        launcherTitle = *title;
    }
    PrintWindow(AutoRunDesign(), launcherTitle);
    PrintWindow(OnlineDocDesign(), OnlineDocDesign().title);
    PrintColour("ColorBtnNormal", ColorBtnNormal);
    PrintColour("ColorBtnHover", ColorBtnHover);
    PrintColour("ColorDocLink", ColorDocLink);
    PrintColour("ColorDocGrey", ColorDocGrey);
    PrintColour("ColorInstaller", ColorInstaller);
    return 0;
}

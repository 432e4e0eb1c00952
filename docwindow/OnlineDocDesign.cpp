#include "docwindow/OnlineDocDesign.h"

namespace autorun {
namespace {

const ui::Font kHeadingFont{.name = "Arial", .points = 12, .weight = ui::kWeightBold};
const ui::Font kLinkFont{.name = "Arial", .points = 9.75, .weight = ui::kWeightBold, .italic = true, .underline = true};

ui::LabelDesign Heading(int index, ui::Rect rect, std::string_view caption)
{
    return {.control = lblTopics, .index = index, .rect = rect, .caption = caption,
            .foreColour = ui::kButtonText, .font = kHeadingFont};
}

ui::LabelDesign Link(ui::ControlId control, int index, ui::Rect rect, std::string_view caption,
                               ui::Colour colour, bool enabled)
{
    return {.control = control, .index = index, .rect = rect, .caption = caption, .foreColour = colour,
            .font = kLinkFont, .enabled = enabled, .pointer = ui::Pointer::Hand, .role = ui::Role::Link};
}

const ui::LabelDesign kLabels[] = {
    Heading(0, {960, 240, 5790, 315}, "Online Documentation (Adobe Acrobat Required)"),
    Heading(1, {480, 840, 3495, 315}, "VELMO Documentation"),
    Heading(2, {4200, 840, 3375, 315}, "Basis Documentation"),
    // The design's titles, "Voulme" included: discs without those manuals show them exactly so.
    Link(lblCases, 0, {840, 1200, 2880, 240}, "File Descriptions All Volumes", ColorDocGrey, false),
    Link(lblCases, 1, {840, 1680, 2880, 240}, "File Descriptions Voulme 1", ColorDocGrey, false),
    Link(lblCases, 2, {840, 1920, 2880, 240}, "File Descriptions Voulme 2", ColorDocGrey, false),
    Link(lblCases, 3, {840, 2160, 2880, 240}, "File Descriptions Voulme 3", ColorDocGrey, false),
    Link(lblCases, 4, {840, 2640, 2880, 240}, "Software Development Utilities", ColorDocGrey, false),
    Link(lblCases, 5, {840, 2880, 2880, 240}, "Development Standards", ColorDocGrey, false),
    Link(lblCases, kHtmlFormatIndex, {4680, 1200, 1920, 240}, "HTML Format", ColorDocLink, true),
    Link(InstAcrobat, kInstAcrobatIndex, {5760, 3600, 2850, 240}, "Install Adobe Acrobat Reader", ColorInstaller, true),
};

const ui::ImageDesign kImages[] = {
    {.name = "Image1", .rect = {240, 120, 480, 480}, .picture = ui::Resource::DocumentImage},
};

const ui::WindowDesign kDesign{
    .name = "frmOnlineDoc",
    .title = "VELMO Developers Kit v7.03 Online Documentation",
    .frame = ui::Frame::FixedDialog,
    .client = {8775, 3930},
    .backColour = 0x00FFFFFF,
    .picture = ui::Resource::None,
    .icon = ui::Resource::ProgramIcon,
    .images = kImages,
    .labels = kLabels,
};

} // namespace

const ui::WindowDesign& OnlineDocDesign()
{
    return kDesign;
}

} // namespace autorun

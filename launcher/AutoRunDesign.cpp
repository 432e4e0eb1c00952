#include "launcher/AutoRunDesign.h"

namespace autorun {
namespace {

const ui::Font kButtonFont{.name = "MS Sans Serif", .points = 12, .weight = ui::kWeightBold};
const ui::Font kDescriptionFont{.name = "Arial", .points = 11.25, .weight = ui::kWeightBold};

const ui::LabelDesign kLabels[] = {
    {.control = lblBtnText, .index = 0, .rect = {3600, 1800, 4095, 375}, .caption = "Online Documentation",
     .foreColour = ColorBtnNormal, .font = kButtonFont, .role = ui::Role::PushButton},
    {.control = lblBtnText, .index = 1, .rect = {3600, 2280, 3015, 375}, .caption = "Browse this CD",
     .foreColour = ColorBtnNormal, .font = kButtonFont, .role = ui::Role::PushButton},
    {.control = lblDescr, .index = -1, .rect = {360, 6000, 8520, 405}, .caption = "",
     .foreColour = 0x00FFFFFF, .font = kDescriptionFont, .visible = false},
};

// Tall enough (6405) for the description line below the buttons to be seen.
const ui::WindowDesign kDesign{
    .name = "frmAutoRun",
    .title = "VELMO CD-ROM",
    .frame = ui::Frame::FixedSingle,
    .client = {8985, 6405},
    .backColour = 0x00FFFFFF,
    .picture = ui::Resource::SplashPicture,
    .icon = ui::Resource::ProgramIcon,
    .images = {},
    .labels = kLabels,
};

} // namespace

const ui::WindowDesign& AutoRunDesign()
{
    return kDesign;
}

} // namespace autorun

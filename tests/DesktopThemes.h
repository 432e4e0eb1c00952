// Desktops' colours a user may have: Windows' default, a dark theme (Adwaita's), and Windows' High
// Contrast Black and White. 0x00BBGGRR.
#pragma once

#include "ui/Appearance.h"

namespace autorun::test {

struct DesktopTheme {
    const char* name;
    ui::DesktopColours colours;
};

inline constexpr DesktopTheme kDefaultTheme{
    "default", {.text = 0x000000, .light = 0xFFFFFF, .shadow = 0xA0A0A0, .window = 0xFFFFFF}};
inline constexpr DesktopTheme kDarkTheme{
    "dark", {.text = 0xECEEEE, .light = 0x505050, .shadow = 0x282828, .window = 0x353535}};
inline constexpr DesktopTheme kHighContrastBlack{
    "high contrast black",
    {.text = 0xFFFFFF, .light = 0xFFFFFF, .shadow = 0x808080, .window = 0x000000, .highContrast = true,
     .windowText = 0xFFFFFF, .link = 0x00FFFF, .greyText = 0x3FF23F, .highlight = 0xFFEB1A}};
inline constexpr DesktopTheme kHighContrastWhite{
    "high contrast white",
    {.text = 0x000000, .light = 0xFFFFFF, .shadow = 0x808080, .window = 0xFFFFFF, .highContrast = true,
     .windowText = 0x000000, .link = 0x9F0000, .greyText = 0x000060, .highlight = 0x6E0037}};
inline constexpr DesktopTheme kDesktopThemes[] = {kDefaultTheme, kDarkTheme, kHighContrastBlack, kHighContrastWhite};

} // namespace autorun::test

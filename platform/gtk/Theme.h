// The desktop's theme as the core takes it: the theme's named colours, and whether the desktop asks for
// high contrast, through its theme (GNOME's HighContrast themes) or its settings portal: the
// freedesktop appearance "contrast" key, and GNOME's own high-contrast setting. The portal's answer
// comes later, never holding up the first paint, and so do its changes.
#pragma once

#include "ui/Appearance.h"

#include <gtk/gtk.h>

#include <functional>
#include <vector>

namespace autorun::gtk {

class DesktopContrast {
public:
    // The one of the program, asking the portal on first use.
    static DesktopContrast& Instance();

    bool High() const { return appearance_ || gnome_ || byHand_; }
    // What a desktop without a portal cannot say: set by hand, as a test does.
    void SetHigh(bool high);
    // Called whenever High() changes.
    void OnChange(std::function<void()> changed) { listeners_.push_back(std::move(changed)); }

    // The portal's value of a setting, as Read or SettingChanged gives it.
    void Take(const char* group, const char* key, GVariant* value);

private:
    DesktopContrast();

    bool appearance_ = false;
    bool gnome_ = false;
    bool byHand_ = false;
    std::vector<std::function<void()>> listeners_;
};

// The colours a GTK 3 theme names, which define each of the core's: a theme may leave some out.
struct ThemeColour {
    const char* name;
    ui::Colour ui::DesktopColours::*colour;
};
inline constexpr ThemeColour kThemeColours[] = {
    {"theme_fg_color", &ui::DesktopColours::text},
    {"theme_base_color", &ui::DesktopColours::light},
    {"insensitive_fg_color", &ui::DesktopColours::shadow},
    {"theme_bg_color", &ui::DesktopColours::window},
    {"theme_text_color", &ui::DesktopColours::windowText},
    {"link_color", &ui::DesktopColours::link},
    {"insensitive_fg_color", &ui::DesktopColours::greyText},
    {"theme_selected_bg_color", &ui::DesktopColours::highlight},
};

// The theme's colours as the window's style sees them, with high contrast as the desktop has it.
ui::DesktopColours ThemeColours(GtkWidget* widget);

void SetSourceColour(cairo_t* cr, ui::Colour colour);

} // namespace autorun::gtk

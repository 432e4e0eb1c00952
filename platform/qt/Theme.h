// The desktop's theme as the core takes it: the palette's colours, and whether the desktop asks for
// high contrast. Qt 6.4 tells no contrast setting, so it is read from the desktop's settings portal:
// the freedesktop appearance "contrast" key, and GNOME's own high-contrast setting, which its portal
// also serves. The answer comes later, never holding up the first paint, and so do its changes.
#pragma once

#include "ui/Appearance.h"

#include <QDBusMessage>
#include <QObject>
#include <QPalette>

namespace autorun::qt {

class DesktopContrast : public QObject {
    Q_OBJECT

public:
    // The one of the program, asking the portal on first use.
    static DesktopContrast& Instance();

    bool High() const { return appearance_ || gnome_; }
    // What a desktop without a portal cannot say: set by hand, as a test does.
    void SetHigh(bool high);

    // The portal's news of a setting: its group, its key and its value.
    Q_SLOT void SettingChanged(const QDBusMessage& message);

signals:
    void Changed();

private:
    DesktopContrast();
    void Take(const QString& group, const QString& key, const QVariant& value);

    bool appearance_ = false;
    bool gnome_ = false;
};

// Where each of the theme's colours comes from in a palette, always its active colours (the window
// looks the same active or not), but greyed text from the disabled ones; listed after window text,
// which a palette set from this table gives every state first.
struct ThemeRole {
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
    ui::Colour ui::DesktopColours::*colour;
};
inline constexpr ThemeRole kThemeRoles[] = {
    {QPalette::Active, QPalette::ButtonText, &ui::DesktopColours::text},
    {QPalette::Active, QPalette::Light, &ui::DesktopColours::light},
    {QPalette::Active, QPalette::Dark, &ui::DesktopColours::shadow},
    {QPalette::Active, QPalette::Window, &ui::DesktopColours::window},
    {QPalette::Active, QPalette::WindowText, &ui::DesktopColours::windowText},
    {QPalette::Active, QPalette::Link, &ui::DesktopColours::link},
    {QPalette::Disabled, QPalette::WindowText, &ui::DesktopColours::greyText},
    {QPalette::Active, QPalette::Highlight, &ui::DesktopColours::highlight},
};

QColor ToQColor(ui::Colour colour);
// The theme's colours in this palette, with high contrast as the desktop has it.
ui::DesktopColours ThemeColours(const QPalette& palette);

} // namespace autorun::qt

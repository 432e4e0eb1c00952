#include "platform/gtk/Theme.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>

namespace autorun::gtk {
namespace {

constexpr const char* kPortal = "org.freedesktop.portal.Desktop";
constexpr const char* kPortalPath = "/org/freedesktop/portal/desktop";
constexpr const char* kSettings = "org.freedesktop.portal.Settings";
constexpr const char* kAppearance = "org.freedesktop.appearance";
constexpr const char* kGnomeA11y = "org.gnome.desktop.a11y.interface";

// Older portals wrap a setting's value in a second variant; the caller unrefs the result.
GVariant* Unwrapped(GVariant* value)
{
    g_variant_ref(value);
    while (g_variant_is_of_type(value, G_VARIANT_TYPE_VARIANT)) {
        GVariant* inner = g_variant_get_variant(value);
        g_variant_unref(value);
        value = inner;
    }
    return value;
}

struct Question {
    const char* group;
    const char* key;
};

void Answered(GObject* bus, GAsyncResult* result, gpointer data)
{
    const auto* question = static_cast<const Question*>(data);
    GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(bus), result, nullptr);
    if (reply == nullptr)
        return;
    GVariant* value = nullptr;
    g_variant_get(reply, "(v)", &value);
    DesktopContrast::Instance().Take(question->group, question->key, value);
    g_variant_unref(value);
    g_variant_unref(reply);
}

void Changed(GDBusConnection*, const char*, const char*, const char*, const char*, GVariant* parameters, gpointer)
{
    if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(ssv)")))
        return;
    const char* group = nullptr;
    const char* key = nullptr;
    GVariant* value = nullptr;
    g_variant_get(parameters, "(&s&sv)", &group, &key, &value);
    DesktopContrast::Instance().Take(group, key, value);
    g_variant_unref(value);
}

void BusReady(GObject*, GAsyncResult* result, gpointer)
{
    GDBusConnection* bus = g_bus_get_finish(result, nullptr);
    if (bus == nullptr)
        return;
    g_dbus_connection_signal_subscribe(bus, kPortal, kSettings, "SettingChanged", kPortalPath, nullptr,
                                       G_DBUS_SIGNAL_FLAGS_NONE, Changed, nullptr, nullptr);
    static const Question questions[] = {{kAppearance, "contrast"}, {kGnomeA11y, "high-contrast"}};
    for (const Question& question : questions) {
        // Not started for this: a desktop without a running portal offers no contrast setting.
        g_dbus_connection_call(bus, kPortal, kPortalPath, kSettings, "Read",
                               g_variant_new("(ss)", question.group, question.key), G_VARIANT_TYPE("(v)"),
                               G_DBUS_CALL_FLAGS_NO_AUTO_START, -1, nullptr, Answered,
                               const_cast<Question*>(&question));
    }
    // The reference is kept: the subscription lasts the program's life, and holds none of its own.
}

ui::Colour ToColour(const GdkRGBA& rgba)
{
    auto channel = [](double value) { return static_cast<ui::Colour>(std::lround(std::clamp(value, 0.0, 1.0) * 255)); };
    return channel(rgba.red) | channel(rgba.green) << 8 | channel(rgba.blue) << 16;
}

// GNOME's own high-contrast themes, which its accessibility switch selects, or GTK_THEME names
// over the desktop's setting.
bool HighContrastTheme(GtkWidget* widget)
{
    constexpr std::string_view kHighContrast = "HighContrast";
    if (const char* forced = g_getenv("GTK_THEME"); forced != nullptr && *forced != '\0')
        return std::string_view(forced).starts_with(kHighContrast);
    gchar* name = nullptr;
    g_object_get(gtk_widget_get_settings(widget), "gtk-theme-name", &name, nullptr);
    const bool high = name != nullptr && std::string_view(name).starts_with(kHighContrast);
    g_free(name);
    return high;
}

// The grey as light as colour: GTK themes tint their disabled text, and the raised surface's edges
// that emboss greyed text are greys.
ui::Colour Grey(ui::Colour colour)
{
    const auto level = static_cast<ui::Colour>(
        std::lround(0.299 * ui::Red(colour) + 0.587 * ui::Green(colour) + 0.114 * ui::Blue(colour)));
    return level | level << 8 | level << 16;
}

} // namespace

DesktopContrast& DesktopContrast::Instance()
{
    static DesktopContrast* contrast = new DesktopContrast;
    return *contrast;
}

DesktopContrast::DesktopContrast()
{
    // A portal answers only on the session's bus: where none is named, GLib would start one, while
    // the window waits, to find no portal on it.
    const char* runtime = g_getenv("XDG_RUNTIME_DIR");
    gchar* socket = runtime == nullptr ? nullptr : g_build_filename(runtime, "bus", nullptr);
    const bool bus = g_getenv("DBUS_SESSION_BUS_ADDRESS") != nullptr ||
                     (socket != nullptr && g_file_test(socket, G_FILE_TEST_EXISTS));
    g_free(socket);
    if (bus)
        g_bus_get(G_BUS_TYPE_SESSION, nullptr, BusReady, nullptr);
}

void DesktopContrast::SetHigh(bool high)
{
    if (High() == high)
        return;
    byHand_ = high;
    appearance_ = gnome_ = false;
    for (const auto& listener : listeners_)
        listener();
}

void DesktopContrast::Take(const char* group, const char* key, GVariant* value)
{
    const bool before = High();
    GVariant* v = Unwrapped(value);
    if (std::strcmp(group, kAppearance) == 0 && std::strcmp(key, "contrast") == 0 &&
        g_variant_is_of_type(v, G_VARIANT_TYPE_UINT32))
        appearance_ = g_variant_get_uint32(v) == 1; // 1: higher contrast
    else if (std::strcmp(group, kGnomeA11y) == 0 && std::strcmp(key, "high-contrast") == 0 &&
             g_variant_is_of_type(v, G_VARIANT_TYPE_BOOLEAN))
        gnome_ = g_variant_get_boolean(v);
    g_variant_unref(v);
    if (High() != before) {
        for (const auto& listener : listeners_)
            listener();
    }
}

ui::DesktopColours ThemeColours(GtkWidget* widget)
{
    ui::DesktopColours colours{.highContrast = DesktopContrast::Instance().High() || HighContrastTheme(widget)};
    GtkStyleContext* style = gtk_widget_get_style_context(widget);
    for (const ThemeColour& named : kThemeColours) {
        GdkRGBA rgba;
        if (gtk_style_context_lookup_color(style, named.name, &rgba))
            colours.*named.colour = ToColour(rgba);
    }
    colours.light = Grey(colours.light);
    colours.shadow = Grey(colours.shadow);
    return colours;
}

void SetSourceColour(cairo_t* cr, ui::Colour colour)
{
    cairo_set_source_rgb(cr, ui::Red(colour) / 255.0, ui::Green(colour) / 255.0, ui::Blue(colour) / 255.0);
}

} // namespace autorun::gtk

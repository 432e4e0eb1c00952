#include "platform/qt/Theme.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

namespace autorun::qt {
namespace {

const QString kPortal = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kSettings = QStringLiteral("org.freedesktop.portal.Settings");
const QString kAppearance = QStringLiteral("org.freedesktop.appearance");
const QString kGnomeA11y = QStringLiteral("org.gnome.desktop.a11y.interface");

// Older portals wrap a setting's value in a second variant.
QVariant Unwrapped(QVariant value)
{
    while (value.userType() == qMetaTypeId<QDBusVariant>())
        value = qvariant_cast<QDBusVariant>(value).variant();
    return value;
}

ui::Colour ToColour(const QColor& colour)
{
    return static_cast<ui::Colour>(colour.red()) | static_cast<ui::Colour>(colour.green()) << 8 |
           static_cast<ui::Colour>(colour.blue()) << 16;
}

} // namespace

DesktopContrast& DesktopContrast::Instance()
{
    static DesktopContrast* contrast = new DesktopContrast;
    return *contrast;
}

DesktopContrast::DesktopContrast()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    bus.connect(kPortal, kPortalPath, kSettings, QStringLiteral("SettingChanged"), this, SLOT(SettingChanged(QDBusMessage)));
    for (const auto& [group, key] : {std::pair{kAppearance, QStringLiteral("contrast")},
                                     std::pair{kGnomeA11y, QStringLiteral("high-contrast")}}) {
        QDBusMessage read = QDBusMessage::createMethodCall(kPortal, kPortalPath, kSettings, QStringLiteral("Read"));
        read << group << key;
        // Not started for this: a desktop without a running portal offers no contrast setting.
        read.setAutoStartService(false);
        auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(read), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, group, key](QDBusPendingCallWatcher* call) {
            const QDBusPendingReply<QVariant> reply = *call;
            if (!reply.isError())
                Take(group, key, reply.value());
            call->deleteLater();
        });
    }
}

void DesktopContrast::SetHigh(bool high)
{
    if (High() == high)
        return;
    appearance_ = high;
    gnome_ = false;
    emit Changed();
}

void DesktopContrast::SettingChanged(const QDBusMessage& message)
{
    const QList<QVariant> arguments = message.arguments();
    if (arguments.size() == 3)
        Take(arguments[0].toString(), arguments[1].toString(), arguments[2]);
}

void DesktopContrast::Take(const QString& group, const QString& key, const QVariant& value)
{
    const bool before = High();
    const QVariant v = Unwrapped(value);
    if (group == kAppearance && key == QLatin1String("contrast"))
        appearance_ = v.toUInt() == 1; // 1: higher contrast
    else if (group == kGnomeA11y && key == QLatin1String("high-contrast"))
        gnome_ = v.toBool();
    if (High() != before)
        emit Changed();
}

QColor ToQColor(ui::Colour colour)
{
    return {ui::Red(colour), ui::Green(colour), ui::Blue(colour)};
}

ui::DesktopColours ThemeColours(const QPalette& palette)
{
    ui::DesktopColours colours{.highContrast = DesktopContrast::Instance().High()};
    for (const ThemeRole& role : kThemeRoles)
        colours.*role.colour = ToColour(palette.color(role.group, role.role));
    return colours;
}

} // namespace autorun::qt

#include "QtTestSupport.h"

#include "launcher/AutoRunDesign.h"

#include "platform/qt/Theme.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

#include <iostream>

namespace autorun::qt::test {
namespace {

class QtDesktopTest : public ::testing::Test {
protected:
    TestDisc disc_;
    DiscDesktop desktop_{disc_};
};

TEST_F(QtDesktopTest, ScreenIsThePrimaryScreenInTwips)
{
    // The screens these tests run on: Qt's offscreen one of 800 x 800 pixels, and the Xvfb of
    // 1280 x 1024 that with-xvfb.sh starts.
    const struct {
        const char* platform;
        ui::Size twips;
    } screens[] = {{"offscreen", {12000, 12000}}, {"xcb", {19200, 15360}}};
    const QString platform = QGuiApplication::platformName();
    for (const auto& screen : screens) {
        if (platform != screen.platform)
            continue;
        const ui::Size size = desktop_.ScreenSize();
        EXPECT_EQ(size.width, screen.twips.width);
        EXPECT_EQ(size.height, screen.twips.height);
        return;
    }
    FAIL() << "no screen size known for the platform " << platform.toStdString();
}

TEST_F(QtDesktopTest, OuterSizeIsTheClientSizeWhileNoFrameIsKnown)
{
    const ui::Window window(AutoRunDesign());
    const ui::Size outer = desktop_.OuterSize(window);
    EXPECT_EQ(outer.width, window.Client().width);
    EXPECT_EQ(outer.height, window.Client().height);
}

TEST(QtDesktopDeathTest, ReportEndsTheProgramAfterTellingTheUser)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            BoxCloser boxes([](const BoxCloser::Box& box) {
                std::cerr << "box " << box.title.toStdString() << ": " << box.text.toStdString() << std::endl;
            });
            QtDesktop desktop;
            desktop.EndWithReport("Run-time error '5':\n\nInvalid procedure call");
        },
        ::testing::ExitedWithCode(1), "Invalid procedure call.*box Autorun: Run-time error '5':");
}

// The desktop's settings portal, stood in for on the session bus: it answers a setting as portals
// of every age do, wrapped in a second variant, and tells of changes.
class PortalStandIn : public QDBusVirtualObject {
public:
    explicit PortalStandIn(QVariant contrast) : contrast_(std::move(contrast))
    {
        EXPECT_TRUE(bus_.isConnected());
        EXPECT_TRUE(bus_.registerVirtualObject(kPath, this));
        EXPECT_TRUE(bus_.registerService("org.freedesktop.portal.Desktop"));
    }
    ~PortalStandIn() override
    {
        bus_.unregisterService("org.freedesktop.portal.Desktop");
        bus_.unregisterObject(kPath);
        QDBusConnection::disconnectFromBus("portal stand-in");
    }
    void Tell(const char* group, const char* key, const QVariant& value)
    {
        QDBusMessage changed = QDBusMessage::createSignal(kPath, kSettings, "SettingChanged");
        changed << QString(group) << QString(key) << QVariant::fromValue(QDBusVariant(value));
        EXPECT_TRUE(bus_.send(changed));
    }

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        const QList<QVariant> arguments = message.arguments();
        if (message.interface() != kSettings || message.member() != "Read" || arguments.size() != 2)
            return false;
        if (arguments[0].toString() == "org.freedesktop.appearance" && arguments[1].toString() == "contrast")
            connection.send(message.createReply(QVariant::fromValue(QDBusVariant(QVariant::fromValue(QDBusVariant(contrast_))))));
        else
            connection.send(message.createErrorReply("org.freedesktop.portal.Error.NotFound", "no such setting"));
        return true;
    }

private:
    static inline const QString kPath = "/org/freedesktop/portal/desktop";
    static inline const QString kSettings = "org.freedesktop.portal.Settings";
    QDBusConnection bus_ = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "portal stand-in");
    QVariant contrast_;
};

// A desktop in high contrast when the program starts draws it so, and every change of either
// setting redraws the windows. Run in a process of its own: the program asks the portal once.
TEST(SettingsPortal, HighContrastFollowsTheDesktopsSetting)
{
    PortalStandIn portal(1u);
    TestDisc disc;
    DiscDesktop desktop(disc);
    RunProgram(desktop, [&](FormView& launcher) {
        const ui::Window& window = launcher.Model().Window();
        EXPECT_TRUE(QTest::qWaitFor([&] { return window.Colours().highContrast; }));
        EXPECT_FALSE(window.Backdrop().picture);
        portal.Tell("org.freedesktop.appearance", "contrast", 0u);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !window.Colours().highContrast; }));
        portal.Tell("org.gnome.desktop.a11y.interface", "high-contrast", true);
        EXPECT_TRUE(QTest::qWaitFor([&] { return window.Colours().highContrast; }));
        portal.Tell("org.gnome.desktop.a11y.interface", "high-contrast", false);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !window.Colours().highContrast; }));
    });
}

} // namespace
} // namespace autorun::qt::test

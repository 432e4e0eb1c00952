#include "QtTestSupport.h"

#include "launcher/AutoRunDesign.h"

#include "platform/qt/Theme.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
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

// The desktop's settings portal tells of a change of contrast: every window redraws in the
// desktop's high-contrast colours, and back. Only a session bus can show it.
TEST(SettingsPortal, HighContrastFollowsTheDesktopsSetting)
{
    QDBusConnection portal = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "portal stand-in");
    ASSERT_TRUE(portal.isConnected());
    ASSERT_TRUE(portal.registerService("org.freedesktop.portal.Desktop"));
    const auto tell = [&](const char* group, const char* key, const QVariant& value) {
        QDBusMessage changed = QDBusMessage::createSignal("/org/freedesktop/portal/desktop",
                                                          "org.freedesktop.portal.Settings", "SettingChanged");
        changed << QString(group) << QString(key) << QVariant::fromValue(QDBusVariant(value));
        ASSERT_TRUE(portal.send(changed));
    };
    TestDisc disc;
    DiscDesktop desktop(disc);
    RunProgram(desktop, [&](FormView& launcher) {
        const ui::Window& window = launcher.Model().Window();
        ASSERT_FALSE(window.Colours().highContrast);
        const struct {
            const char* group;
            const char* key;
            QVariant on, off;
        } settings[] = {{"org.freedesktop.appearance", "contrast", 1u, 0u},
                        {"org.gnome.desktop.a11y.interface", "high-contrast", true, false}};
        for (const auto& setting : settings) {
            SCOPED_TRACE(setting.group);
            tell(setting.group, setting.key, setting.on);
            EXPECT_TRUE(QTest::qWaitFor([&] { return window.Colours().highContrast; }));
            EXPECT_FALSE(window.Backdrop().picture);
            tell(setting.group, setting.key, setting.off);
            EXPECT_TRUE(QTest::qWaitFor([&] { return !window.Colours().highContrast; }));
        }
    });
    portal.unregisterService("org.freedesktop.portal.Desktop");
    QDBusConnection::disconnectFromBus("portal stand-in");
}

} // namespace
} // namespace autorun::qt::test

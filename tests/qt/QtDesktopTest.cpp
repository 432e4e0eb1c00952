#include "QtTestSupport.h"

#include "app/Failure.h"
#include "launcher/AutoRunDesign.h"
#include "platform/posix/PosixFiles.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>
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

TEST_F(QtDesktopTest, StartedProgramRunsFromItsWholePathAndIsReaped)
{
    const std::filesystem::path marker = disc_.Root() / "started";
    disc_.WriteFile(std::filesystem::path("Some Tools") / "run me.sh",
                    "#!/bin/sh\necho $$ >'" + marker.string() + ".tmp'\nmv '" + marker.string() + ".tmp' '" +
                        marker.string() + "'\n",
                    true);

    desktop_.StartProgram(posix::PathText(disc_.Root() / "Some Tools" / "run me.sh"));

    ASSERT_TRUE(QTest::qWaitFor([&] { return std::filesystem::exists(marker); }, kWaitMs));
    int pid = 0;
    std::ifstream(marker) >> pid;
    ASSERT_GT(pid, 0);
    // A child that ended but was not reaped would stay in /proc as a zombie.
    const std::filesystem::path entry = "/proc/" + std::to_string(pid);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !std::filesystem::exists(entry); }, kWaitMs));
}

TEST_F(QtDesktopTest, ProgramThatCannotStartIsAFailure)
{
    EXPECT_THROW(desktop_.StartProgram(posix::PathText(disc_.Root() / "Utils" / "missing.exe")), Failure);
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

} // namespace
} // namespace autorun::qt::test

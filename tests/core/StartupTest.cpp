#include "app/AppPath.h"
#include "app/Centre.h"
#include "app/ReadInfString.h"
#include "platform/fake/FakeDesktop.h"

#include <gtest/gtest.h>

namespace autorun {
namespace {

TEST(LaunchFolder, GetsExactlyOneTrailingSeparator)
{
    struct Row {
        const char* reported;
        const char* appPath;
    };
    const Row rows[] = {
        {"D:\\", "D:\\"},
        {"D:\\kit", "D:\\kit\\"},
        {"\\", "\\"},
        {"\\media\\cdrom", "\\media\\cdrom\\"},
        {"\\\\server\\share\\My Kit", "\\\\server\\share\\My Kit\\"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.reported);
        EXPECT_EQ(ResolveAppPath(row.reported), row.appPath);
        EXPECT_EQ(InfFilePath(ResolveAppPath(row.reported)), std::string(row.appPath) + "autorun.inf");
    }
}

TEST(Centring, FloorsHalfTheFreeSpace)
{
    struct Row {
        ui::Size screen;
        ui::Size frame;
        ui::Point expected;
    };
    // The test window's client area is 8985 x 6405.
    const Row rows[] = {
        {{19200, 14400}, {0, 0}, {5107, 3997}},   // odd differences round down
        {{19200, 14400}, {90, 480}, {5062, 3757}},
        {{8985, 6405}, {0, 0}, {0, 0}},
        {{8984, 6404}, {0, 0}, {-1, -1}},         // larger than the screen: towards minus infinity
        {{4800, 3600}, {90, 480}, {-2138, -1643}},
    };
    const ui::WindowDesign design{.name = "w", .client = {8985, 6405}};
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "screen " << row.screen.width << " x " << row.screen.height << ", frame "
                                        << row.frame.width << " x " << row.frame.height);
        FakeDesktop desktop;
        desktop.screen = row.screen;
        desktop.frame = row.frame;
        ui::Window window(design);
        CentreWindow(desktop, window);
        EXPECT_EQ(window.Position().x, row.expected.x);
        EXPECT_EQ(window.Position().y, row.expected.y);
    }
}

class ReadInfStringTest : public testing::Test {
protected:
    static constexpr const char* kFile = "D:\\autorun.inf";

    std::string Read(const std::string& fileText, std::string_view section, std::string_view key)
    {
        desktop_.files[kFile] = fileText;
        return ReadInfString(desktop_, section, key, kFile);
    }

    FakeDesktop desktop_;
};

TEST_F(ReadInfStringTest, ValuesNeedMoreThanOneCharacter)
{
    const std::string file = "[App Info]\r\n1=X\r\n2=XY\r\n3=\r\n4=\xC3\xA9\r\n5=\xC3\xA9\xC3\xA9\r\n";
    EXPECT_EQ(Read(file, "App Info", "1"), "");
    EXPECT_EQ(Read(file, "App Info", "2"), "XY");
    EXPECT_EQ(Read(file, "App Info", "3"), "");
    EXPECT_EQ(Read(file, "App Info", "4"), ""); // one character of two bytes
    EXPECT_EQ(Read(file, "App Info", "5"), "\xC3\xA9\xC3\xA9");
}

TEST_F(ReadInfStringTest, LongValuesAreCutTo126Characters)
{
    const std::string value(200, 'v');
    EXPECT_EQ(Read("[App Info]\r\n1=" + value + "\r\n", "App Info", "1"), value.substr(0, 126));
    std::string accented;
    for (int i = 0; i < 130; ++i)
        accented += "\xC3\xA9";
    EXPECT_EQ(Read("[App Info]\r\n1=" + accented + "\r\n", "App Info", "1"), accented.substr(0, 252));
}

TEST_F(ReadInfStringTest, MissingFileSectionOrKeyGivesTheEmptyText)
{
    EXPECT_EQ(ReadInfString(desktop_, "App Info", "1", "D:\\nothing.inf"), "");
    EXPECT_EQ(Read("[Other]\r\n1=Value\r\n", "App Info", "1"), "");
    EXPECT_EQ(Read("[App Info]\r\n2=Value\r\n", "App Info", "1"), "");
    EXPECT_EQ(Read("[App Info]\r\n01=Value\r\n", "App Info", "1"), "");
}

TEST_F(ReadInfStringTest, BadFilesGiveTheEmptyText)
{
    std::string binary;
    for (int i = 0; i < 4096; ++i)
        binary += static_cast<char>((i * 7919) & 0xFF);
    EXPECT_EQ(Read(binary, "App Info", "1"), "");
    EXPECT_EQ(Read("", "App Info", "1"), "");
    std::string huge(10 * 1024 * 1024, 'x');
    huge += "\r\n[App Info]\r\n1=Found at the end\r\n";
    EXPECT_EQ(Read(huge, "App Info", "1"), "Found at the end");
}

} // namespace
} // namespace autorun

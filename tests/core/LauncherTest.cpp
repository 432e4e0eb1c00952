#include "docwindow/OnlineDocDesign.h"
#include "launcher/AutoRunDesign.h"
#include "launcher/frmAutoRun.h"
#include "platform/fake/FakeDesktop.h"

#include <gtest/gtest.h>

namespace autorun {
namespace {

constexpr ui::Point kOnButton0{3700, 1900};
constexpr ui::Point kOnButton1{3700, 2400};
constexpr ui::Point kOnSurface{100, 100};

class LauncherTest : public testing::Test {
protected:
    frmAutoRun& Launch(const std::string& infText)
    {
        desktop_.files["D:\\kit\\autorun.inf"] = infText;
        return Launch();
    }

    frmAutoRun& Launch()
    {
        launcher_.emplace(desktop_);
        launcher_->Load();
        return *launcher_;
    }

    const ui::Label& Button(int index) { return launcher_->Window().Control(lblBtnText, index); }
    const ui::Label& Description() { return launcher_->Window().Control(lblDescr); }

    void SetUp() override { desktop_.programFolder = "D:\\kit"; }

    FakeDesktop desktop_;
    std::optional<frmAutoRun> launcher_;
};

TEST_F(LauncherTest, WithoutSettingsFileTheDesignStays)
{
    frmAutoRun& launcher = Launch();
    EXPECT_EQ(launcher.Window().Title(), "VELMO CD-ROM");
    EXPECT_EQ(Button(0).Caption(), "Online Documentation");
    EXPECT_EQ(Button(1).Caption(), "Browse this CD");
    EXPECT_EQ(Button(0).ForeColour(), ColorBtnNormal);
    EXPECT_EQ(Button(1).ForeColour(), ColorBtnNormal);
    EXPECT_FALSE(Description().Visible());

    launcher.MouseMove(kOnButton0, false);
    EXPECT_TRUE(Description().Visible());
    EXPECT_EQ(Description().Caption(), "");
}

TEST_F(LauncherTest, LoadCentresTheWindowOnTheScreen)
{
    desktop_.screen = {19200, 14400};
    desktop_.frame = {90, 480};
    frmAutoRun& launcher = Launch();
    EXPECT_EQ(launcher.Window().Position().x, (19200 - 8985 - 90) / 2);
    EXPECT_EQ(launcher.Window().Position().y, (14400 - 6405 - 480) / 2);
}

TEST_F(LauncherTest, TitleComesFromAppInfoWhenItHasMoreThanOneCharacter)
{
    EXPECT_EQ(Launch("[App Info]\r\n1=VELMO Developers Kit\r\n").Window().Title(), "VELMO Developers Kit");
    EXPECT_EQ(Launch("[App Info]\r\n1=V\r\n").Window().Title(), "VELMO CD-ROM");
    EXPECT_EQ(Launch("[App Info]\r\n1=\r\n").Window().Title(), "VELMO CD-ROM");
}

struct ButtonCase {
    const char* value;
    const char* caption;
    const char* description;
};

void PrintTo(const ButtonCase& c, std::ostream* os)
{
    *os << '"' << c.value << '"';
}

class ButtonSettings : public LauncherTest, public testing::WithParamInterface<ButtonCase> {};

TEST_P(ButtonSettings, SplitAtTheFirstCommaOnly)
{
    const ButtonCase& c = GetParam();
    frmAutoRun& launcher = Launch(std::string("[Descriptions]\r\n2=") + c.value + "\r\n");
    EXPECT_EQ(Button(0).Caption(), "Online Documentation");
    EXPECT_EQ(Button(1).Caption(), c.caption);
    launcher.MouseMove(kOnButton1, false);
    EXPECT_EQ(Description().Caption(), c.description);
}

INSTANTIATE_TEST_SUITE_P(
    Values, ButtonSettings,
    testing::Values(ButtonCase{"Manuals", "Manuals", ""},
                    ButtonCase{",Look at every file on the disc", "", "Look at every file on the disc"},
                    ButtonCase{"Docs , all of them, online", "Docs ", " all of them, online"},
                    ButtonCase{"Files,", "Files", ""},
                    ButtonCase{",,", "", ","},
                    ButtonCase{"B", "Browse this CD", ""},                     // one character reads as empty
                    ButtonCase{"Tools && more,Say \"hi\"", "Tools && more", "Say \"hi\""}));

TEST_F(LauncherTest, ReadsOnlyTheTwoButtonKeys)
{
    Launch("[Descriptions]\r\n1=First,one\r\n2=Second,two\r\n3=Third,three\r\n");
    EXPECT_EQ(Button(0).Caption(), "First");
    EXPECT_EQ(Button(1).Caption(), "Second");
}

TEST_F(LauncherTest, HoverHighlightsTheButtonUnderThePointerAndShowsItsDescription)
{
    frmAutoRun& launcher = Launch("[Descriptions]\r\n1=Docs,Read the manuals\r\n2=Browse,See the files\r\n");
    launcher.MouseMove(kOnButton0, false);
    EXPECT_EQ(Button(0).ForeColour(), ColorBtnHover);
    EXPECT_EQ(Button(1).ForeColour(), ColorBtnNormal);
    EXPECT_TRUE(Description().Visible());
    EXPECT_EQ(Description().Caption(), "Read the manuals");

    launcher.MouseMove(kOnButton1, false);
    EXPECT_EQ(Button(0).ForeColour(), ColorBtnNormal);
    EXPECT_EQ(Button(1).ForeColour(), ColorBtnHover);
    EXPECT_EQ(Description().Caption(), "See the files");

    launcher.MouseMove(kOnSurface, false);
    EXPECT_EQ(Button(0).ForeColour(), ColorBtnNormal);
    EXPECT_EQ(Button(1).ForeColour(), ColorBtnNormal);
    EXPECT_FALSE(Description().Visible());
    EXPECT_EQ(Description().Caption(), "See the files"); // hiding keeps the text
}

TEST_F(LauncherTest, TheGapBetweenTheButtonsIsBareWindow)
{
    frmAutoRun& launcher = Launch("[Descriptions]\r\n1=Docs,Read\r\n2=Browse,See\r\n");
    struct Row {
        ui::Twips y;
        int highlighted; // -1: none
    };
    const Row rows[] = {{2174, 0}, {2175, -1}, {2230, -1}, {2279, -1}, {2280, 1}, {2654, 1}, {2655, -1}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.y);
        launcher.MouseMove({4000, row.y}, false);
        for (int b = 0; b <= 1; ++b)
            EXPECT_EQ(Button(b).ForeColour(), b == row.highlighted ? ColorBtnHover : ColorBtnNormal);
        EXPECT_EQ(Description().Visible(), row.highlighted >= 0);
    }
}

TEST_F(LauncherTest, ColoursAreAssignedOnlyWhenTheyDiffer)
{
    frmAutoRun& launcher = Launch();
    const std::size_t button0 = launcher.Window().PositionOf(Button(0));
    const std::size_t button1 = launcher.Window().PositionOf(Button(1));
    const std::size_t description = launcher.Window().PositionOf(Description());
    launcher.MouseMove(kOnButton0, false);
    launcher.Window().TakeChanges();
    launcher.MouseMove({3800, 1950}, false);
    // The description's caption is assigned again; neither colour is.
    EXPECT_EQ(launcher.Window().TakeChanges().labels, std::vector<ui::LabelChange>{{.label = description}});

    launcher.MouseMove(kOnSurface, false); // un-highlighting assigns both colours and hides the description
    EXPECT_EQ(launcher.Window().TakeChanges().labels,
              (std::vector<ui::LabelChange>{{.label = button0}, {.label = button1},
                                            {.label = description, .visibility = true}}));
}

TEST_F(LauncherTest, TheDescriptionLineTakesNoPart)
{
    frmAutoRun& launcher = Launch("[Descriptions]\r\n1=Docs,Read\r\n");
    launcher.MouseMove(kOnButton0, false);
    launcher.MouseMove({1000, 6200}, false); // over the shown description line
    EXPECT_EQ(Button(0).ForeColour(), ColorBtnHover);
    EXPECT_TRUE(Description().Visible());
}

TEST_F(LauncherTest, DoubleClickOnBrowseOpensTheLaunchFolder)
{
    frmAutoRun& launcher = Launch();
    launcher.MouseDown(kOnButton1, MouseButton::Left);
    launcher.MouseUp(kOnButton1, MouseButton::Left);
    EXPECT_TRUE(desktop_.browsedFolders.empty()); // a single click does nothing
    launcher.DoubleClick(kOnButton1, MouseButton::Left);
    EXPECT_EQ(desktop_.browsedFolders, (std::vector<std::string>{"D:\\kit\\"}));
}

TEST_F(LauncherTest, AFileBrowserThatCannotStartIsReportedAndTheProgramGoesOn)
{
    desktop_.browseFailure = Failure(2, "Cannot start \"xdg-open\": No such file or directory");
    frmAutoRun& launcher = Launch();
    launcher.FireIcon(1);
    EXPECT_EQ(desktop_.messages, (std::vector<FakeDesktop::Request>{
                                     {"frmAutoRun", "2--Cannot start \"xdg-open\": No such file or directory"}}));
}

TEST_F(LauncherTest, DoubleClickOnDocumentationShowsItModallyAndFreshEachTime)
{
    desktop_.files["D:\\kit\\autorun.inf"] = "[OnlineDoc]\r\n1=ALL,All volumes\r\n";
    frmAutoRun& launcher = Launch();
    std::vector<std::string> firstPlace;
    desktop_.whileModal = [&](Form& shown) {
        firstPlace.push_back(shown.Window().Control(lblCases, 0).Caption());
    };
    launcher.DoubleClick(kOnButton0, MouseButton::Left);
    desktop_.disc["D:\\kit\\docs\\ALL\\ALLDOC.PDF"] = FakeDesktop::Entry::NormalFile;
    launcher.DoubleClick(kOnButton0, MouseButton::Left);

    EXPECT_EQ(desktop_.modalShowings.size(), 2u);
    EXPECT_EQ(firstPlace, (std::vector<std::string>{"File Descriptions All Volumes", "All volumes"}));
    EXPECT_EQ(desktop_.lookups.size(), 2u);
}

TEST_F(LauncherTest, OtherIndexesDoNothing)
{
    frmAutoRun& launcher = Launch();
    launcher.FireIcon(2);
    launcher.FireIcon(-1);
    EXPECT_TRUE(desktop_.browsedFolders.empty());
    EXPECT_TRUE(desktop_.modalShowings.empty());
}

TEST_F(LauncherTest, AFailureWhileLoadingEndsTheProgramWithTheRuntimeReport)
{
    desktop_.programFolderFailure = Failure(5, "Cannot find the program's folder: No such file or directory");
    try {
        Launch();
        FAIL() << "the program went on";
    } catch (const ProgramEnded& ended) {
        EXPECT_EQ(ended.report, "Run-time error '5':\n\nCannot find the program's folder: No such file or directory");
    }
}

} // namespace
} // namespace autorun

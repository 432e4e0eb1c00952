#include "docwindow/OnlineDocDesign.h"
#include "docwindow/frmOnlineDoc.h"
#include "launcher/AutoRunDesign.h"
#include "launcher/frmAutoRun.h"
#include "platform/fake/FakeDesktop.h"

#include <gtest/gtest.h>

namespace autorun {
namespace {

constexpr ui::Point kOnButton0{3700, 1900};
constexpr ui::Point kOnButton1{3700, 2400};
constexpr ui::Point kOnSurface{100, 100};
constexpr int kNone = -1;

// One thing the user does, and how the launcher looks afterwards.
struct Step {
    enum class Kind { Press, Move } kind;
    Key key = Key::Tab;
    bool shift = false;
    ui::Point at;
    int lit = kNone;   // the highlighted button
    int focus = kNone; // the button with the keyboard focus
};

Step Press(Key key, int lit, int focus, bool shift = false)
{
    return {.kind = Step::Kind::Press, .key = key, .shift = shift, .lit = lit, .focus = focus};
}

Step Move(ui::Point at, int lit, int focus)
{
    return {.kind = Step::Kind::Move, .at = at, .lit = lit, .focus = focus};
}

struct Walk {
    const char* name;
    std::vector<Step> steps;
};

void PrintTo(const Walk& walk, std::ostream* os)
{
    *os << walk.name;
}

class LauncherKeys : public testing::TestWithParam<Walk> {};

TEST_P(LauncherKeys, PointerAndKeyboardShareOneHighlight)
{
    FakeDesktop desktop;
    desktop.files["D:\\autorun.inf"] = "[Descriptions]\r\n1=Docs,Read the manuals\r\n2=Browse,Look around\r\n";
    frmAutoRun launcher(desktop);
    launcher.Load();
    const std::string descriptions[] = {"Read the manuals", "Look around"};
    int n = 0;
    for (const Step& step : GetParam().steps) {
        SCOPED_TRACE(testing::Message() << "step " << n++);
        if (step.kind == Step::Kind::Press)
            EXPECT_TRUE(launcher.KeyDown(step.key, {.shift = step.shift}));
        else
            launcher.MouseMove(step.at, false);
        const ui::Window& window = launcher.Window();
        for (int b = 0; b <= 1; ++b)
            EXPECT_EQ(window.Control(lblBtnText, b).ForeColour(), b == step.lit ? ColorBtnHover : ColorBtnNormal) << b;
        const ui::Label& description = window.Control(lblDescr);
        EXPECT_EQ(description.Visible(), step.lit != kNone);
        if (step.lit != kNone) {
            EXPECT_EQ(description.Caption(), descriptions[step.lit]);
        }
        const std::optional<std::size_t> expected =
            step.focus == kNone ? std::nullopt
                                : std::optional(window.PositionOf(window.Control(lblBtnText, step.focus)));
        EXPECT_EQ(window.Focus(), expected);
    }
    EXPECT_TRUE(desktop.modalShowings.empty());
    EXPECT_TRUE(desktop.browsedFolders.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Walks, LauncherKeys,
    testing::Values(
        Walk{"the pointer alone gives no focus",
             {Move(kOnButton0, 0, kNone), Move(kOnButton1, 1, kNone), Move(kOnSurface, kNone, kNone)}},
        Walk{"tab and the arrows go round both buttons",
             {Press(Key::Tab, 0, 0), Press(Key::Tab, 1, 1), Press(Key::Tab, 0, 0), Press(Key::Tab, 1, 1, true),
              Press(Key::Down, 0, 0), Press(Key::Right, 1, 1), Press(Key::Up, 0, 0), Press(Key::Left, 1, 1)}},
        Walk{"the first shift-tab or up arrow reaches the last button", {Press(Key::Tab, 1, 1, true)}},
        Walk{"a key moves on from the button the pointer lit",
             {Move(kOnButton0, 0, kNone), Press(Key::Down, 1, 1)}},
        Walk{"the pointer moves a focus a key gave, and leaving the buttons takes it away",
             {Move(kOnSurface, kNone, kNone), Press(Key::Tab, 0, 0), Move(kOnButton1, 1, 1),
              Move(kOnSurface, kNone, kNone), Press(Key::Tab, 0, 0)}},
        Walk{"a pointer that only stands still does not take the highlight from the keyboard",
             {Move(kOnSurface, kNone, kNone), Press(Key::Tab, 0, 0), Move(kOnSurface, 0, 0)}},
        Walk{"the pointer's first report after a key is taken for a pointer at rest",
             {Press(Key::Tab, 0, 0), Move(kOnSurface, 0, 0), Move(kOnButton1, 1, 1)}},
        Walk{"unless it is over a button", {Press(Key::Tab, 0, 0), Move(kOnButton1, 1, 1)}}));

class LauncherActions : public testing::Test {
protected:
    void SetUp() override
    {
        desktop_.programFolder = "D:\\kit";
        launcher_.Load();
    }

    FakeDesktop desktop_;
    frmAutoRun launcher_{desktop_};
};

TEST_F(LauncherActions, EnterAndSpaceDoWhatADoubleClickDoes)
{
    EXPECT_FALSE(launcher_.KeyDown(Key::Enter)); // nothing has the focus yet
    EXPECT_FALSE(launcher_.KeyDown(Key::Escape));
    EXPECT_TRUE(desktop_.browsedFolders.empty());

    launcher_.KeyDown(Key::Tab, {.shift = true});
    EXPECT_TRUE(launcher_.KeyDown(Key::Space));
    EXPECT_TRUE(launcher_.KeyDown(Key::Enter));
    EXPECT_EQ(desktop_.browsedFolders, (std::vector<std::string>{"D:\\kit\\", "D:\\kit\\"}));

    launcher_.KeyDown(Key::Tab);
    launcher_.KeyDown(Key::Enter);
    EXPECT_EQ(desktop_.modalShowings.size(), 1u);
}

// A key held with Ctrl, Alt or the Windows key is the desktop's, on every desktop: Ctrl+Tab and
// Alt+Enter are not the window's Tab and Enter.
TEST_F(LauncherActions, KeysWithCtrlAltOrMetaAreTheDesktops)
{
    const Modifiers held[] = {{.control = true}, {.alt = true}, {.meta = true}, {.shift = true, .control = true}};
    for (const Modifiers& modifiers : held) {
        SCOPED_TRACE(testing::Message() << modifiers.control << modifiers.alt << modifiers.meta);
        for (const Key key : {Key::Tab, Key::Down, Key::Enter, Key::Space, Key::Escape})
            EXPECT_FALSE(launcher_.KeyDown(key, modifiers));
        EXPECT_EQ(launcher_.Window().Focus(), std::nullopt);
    }
    EXPECT_TRUE(launcher_.KeyDown(Key::Tab, {.shift = true}));
    for (const Modifiers& modifiers : held)
        EXPECT_FALSE(launcher_.KeyDown(Key::Enter, modifiers));
    EXPECT_TRUE(desktop_.browsedFolders.empty());
}

TEST_F(LauncherActions, TheFocusComesBackAfterTheDocumentationWindowClosesWithEsc)
{
    bool closed = false;
    desktop_.whileModal = [&](Form& doc) {
        EXPECT_EQ(doc.Window().Focus(), std::nullopt); // a new window waits for a key too
        EXPECT_TRUE(doc.KeyDown(Key::Escape));
        closed = doc.Window().TakeChanges().close;
    };
    launcher_.KeyDown(Key::Tab);
    launcher_.KeyDown(Key::Enter);
    EXPECT_TRUE(closed);
    const ui::Window& window = launcher_.Window();
    EXPECT_EQ(window.Focus(), window.PositionOf(window.Control(lblBtnText, 0)));
    EXPECT_EQ(window.Control(lblBtnText, 0).ForeColour(), ColorBtnHover);
    EXPECT_TRUE(window.Control(lblDescr).Visible());
}

TEST_F(LauncherActions, ScreenReadersGetEachButtonsDescriptionAndItsDefaultAction)
{
    desktop_.files["D:\\kit\\autorun.inf"] = "[Descriptions]\r\n2=Browse,Look around the disc\r\n";
    frmAutoRun launcher(desktop_);
    launcher.Load();
    const ui::Window& window = launcher.Window();
    EXPECT_EQ(launcher.Description(window.Control(lblBtnText, 1)), "Look around the disc");
    EXPECT_EQ(launcher.Description(window.Control(lblBtnText, 0)), "");
    EXPECT_EQ(launcher.Description(window.Control(lblDescr)), "");

    launcher.DoDefaultAction(window.PositionOf(window.Control(lblDescr))); // static text: nothing
    launcher.DoDefaultAction(window.Labels().size());                      // no such label: nothing
    EXPECT_TRUE(desktop_.browsedFolders.empty());
    launcher.DoDefaultAction(window.PositionOf(window.Control(lblBtnText, 1)));
    EXPECT_EQ(desktop_.browsedFolders, (std::vector<std::string>{"D:\\kit\\"}));
    EXPECT_EQ(window.Focus(), std::nullopt); // acting is not focusing
}

// The documentation window with manuals 2 and 5 of six on the disc: the places of the two found,
// then HTML Format, then the installer.
class DocKeys : public testing::Test {
protected:
    void SetUp() override
    {
        desktop_.files["D:\\autorun.inf"] =
            "[OnlineDoc]\r\n1=ALL,All\r\n2=VOL1,One\r\n3=VOL2,Two\r\n4=VOL3,Three\r\n5=STD,Standards\r\n";
        desktop_.disc["D:\\docs\\VOL1\\VOL1DOC.PDF"] = FakeDesktop::Entry::NormalFile;
        desktop_.disc["D:\\docs\\STD\\STDDOC.PDF"] = FakeDesktop::Entry::NormalFile;
    }

    // Runs `act` while the window is shown.
    void Show(const std::function<void(frmOnlineDoc&)>& act)
    {
        desktop_.whileModal = [&](Form& form) { act(static_cast<frmOnlineDoc&>(form)); };
        doc_.Show();
    }

    static std::string Focused(const frmOnlineDoc& doc)
    {
        const ui::Window& window = doc.Window();
        if (!window.Focus())
            return "none";
        const ui::Label& label = window.Labels()[*window.Focus()];
        return std::string(label.Control().name) + " " + std::to_string(label.Index());
    }

    FakeDesktop desktop_;
    frmOnlineDoc doc_{desktop_};
};

TEST_F(DocKeys, TabVisitsTheEnabledEntriesInReadingOrderAndSkipsTheGreyedOnes)
{
    Show([](frmOnlineDoc& doc) {
        doc.MouseMove({900, 1250}, false); // the pointer gives no focus
        EXPECT_EQ(Focused(doc), "none");
        std::vector<std::string> visited;
        for (int i = 0; i < 5; ++i) {
            doc.KeyDown(Key::Tab);
            visited.push_back(Focused(doc));
        }
        EXPECT_EQ(visited, (std::vector<std::string>{"lblCases 0", "lblCases 1", "lblCases 6", "InstAcrobat 19",
                                                     "lblCases 0"}));
        doc.KeyDown(Key::Tab, {.shift = true});
        EXPECT_EQ(Focused(doc), "InstAcrobat 19");
        doc.KeyDown(Key::Up);
        EXPECT_EQ(Focused(doc), "lblCases 6");
        doc.KeyDown(Key::Down);
        EXPECT_EQ(Focused(doc), "InstAcrobat 19");
    });
}

TEST_F(DocKeys, EnterAndSpaceDoWhatAClickDoes)
{
    Show([](frmOnlineDoc& doc) {
        EXPECT_FALSE(doc.KeyDown(Key::Space));
        doc.KeyDown(Key::Tab);
        doc.KeyDown(Key::Tab);
        EXPECT_TRUE(doc.KeyDown(Key::Enter)); // the second manual found
        doc.KeyDown(Key::Tab);
        doc.KeyDown(Key::Space);
        doc.KeyDown(Key::Tab);
        doc.KeyDown(Key::Enter);
        EXPECT_FALSE(doc.Window().TakeChanges().close);
    });
    EXPECT_EQ(desktop_.openedDocuments,
              (std::vector<FakeDesktop::Request>{{"frmOnlineDoc", "D:\\\\docs\\STD\\STDDOC.PDF"},
                                                 {"frmOnlineDoc", "D:\\\\docs\\basis\\html\\index.htm"}}));
    EXPECT_EQ(desktop_.startedPrograms, (std::vector<std::string>{"D:\\Utils\\Acrobat\\AdbeRdr70_enu_full.exe"}));
}

TEST_F(DocKeys, EachShowingStartsWithoutAFocus)
{
    Show([](frmOnlineDoc& doc) { doc.KeyDown(Key::Tab); });
    Show([](frmOnlineDoc& doc) { EXPECT_EQ(Focused(doc), "none"); });
}

// What screen readers are told of each kind of change to the launcher, which has the keyboard.
struct Told {
    const char* name;
    std::function<void(frmAutoRun&)> act;
    // (kind, label) in order; "window" for the window itself.
    std::vector<std::pair<ui::Announcement::Kind, std::string>> expected;
};

void PrintTo(const Told& told, std::ostream* os)
{
    *os << told.name;
}

class Announcements : public testing::TestWithParam<Told> {};

TEST_P(Announcements, InTheOrderScreenReadersExpect)
{
    FakeDesktop desktop;
    desktop.files["D:\\autorun.inf"] = "[Descriptions]\r\n1=Docs,Read the manuals\r\n2=Browse,Look around\r\n";
    frmAutoRun launcher(desktop);
    launcher.Load();
    ui::Window& window = launcher.Window();
    window.SetShown(true);
    window.SetKeyboard(true);
    window.TakeChanges();
    GetParam().act(launcher);
    std::vector<std::pair<ui::Announcement::Kind, std::string>> told;
    for (const ui::Announcement& announcement : window.Announcements(window.TakeChanges())) {
        const ui::Label* label = announcement.label ? &window.Labels()[*announcement.label] : nullptr;
        told.emplace_back(announcement.kind, label ? std::string(label->Control().name) + " " + std::to_string(label->Index())
                                                   : "window");
    }
    EXPECT_EQ(told, GetParam().expected);
}

using Kind = ui::Announcement::Kind;
INSTANTIATE_TEST_SUITE_P(
    EachChange, Announcements,
    testing::Values(
        Told{"hover shows the description", [](frmAutoRun& l) { l.MouseMove(kOnButton0, false); },
             {{Kind::Name, "lblDescr -1"}, {Kind::Show, "lblDescr -1"}}},
        Told{"another button renames it",
             [](frmAutoRun& l) {
                 l.MouseMove(kOnButton0, false);
                 l.Window().TakeChanges();
                 l.MouseMove(kOnButton1, false);
             },
             {{Kind::Name, "lblDescr -1"}}},
        Told{"leaving the buttons hides it",
             [](frmAutoRun& l) {
                 l.MouseMove(kOnButton0, false);
                 l.Window().TakeChanges();
                 l.MouseMove(kOnSurface, false);
             },
             {{Kind::Hide, "lblDescr -1"}}},
        Told{"a key's focus comes after what it changed", [](frmAutoRun& l) { l.KeyDown(Key::Tab); },
             {{Kind::Name, "lblDescr -1"}, {Kind::Show, "lblDescr -1"}, {Kind::Focus, "lblBtnText 0"}}},
        Told{"the keyboard back after a window closed with Esc",
             [](frmAutoRun& l) {
                 l.KeyDown(Key::Tab);
                 l.Window().SetKeyboard(false);
                 l.Window().TakeChanges();
                 l.Window().SetKeyboard(true);
             },
             {{Kind::Focus, "lblBtnText 0"}}},
        Told{"the keyboard back with no label focused", [](frmAutoRun& l) { l.Window().SetKeyboard(false); }, {}},
        Told{"a label greyed", [](frmAutoRun& l) { l.Window().Control(lblBtnText, 1).SetEnabled(false); },
             {{Kind::State, "lblBtnText 1"}}},
        Told{"the window closing: the desktop tells of it", [](frmAutoRun& l) { l.Window().RequestClose(); }, {}}));

TEST(Greeting, TheWindowThenItsFocusedLabel)
{
    FakeDesktop desktop;
    frmAutoRun launcher(desktop);
    launcher.Load();
    ui::Window& window = launcher.Window();
    window.SetKeyboard(true);
    EXPECT_EQ(window.Greeting(), (std::vector<ui::Announcement>{{Kind::Focus, std::nullopt}}));
    EXPECT_EQ(launcher.DescribeWindow(), (AccessibleWindow{AccessibleWindow::Role::Window, window.Title(), true}));
    launcher.KeyDown(Key::Tab);
    EXPECT_EQ(window.Greeting(), (std::vector<ui::Announcement>{{Kind::Focus, std::nullopt}, {Kind::Focus, 0}}));
    EXPECT_FALSE(launcher.DescribeWindow().focused); // its label is
}

} // namespace
} // namespace autorun

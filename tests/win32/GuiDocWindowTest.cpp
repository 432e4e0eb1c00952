// The documentation window in a real Win32 window, opened from the launcher as the user opens it:
// its links, pointer, what clicks start, and the boxes that report what cannot be done.
#include "GuiTestSupport.h"

#include "docwindow/OnlineDocDesign.h"
#include "launcher/AutoRunDesign.h"
#include "ui/Appearance.h"
#include "platform/win32/WideText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <optional>

namespace autorun::win32::test {
namespace {

namespace fs = std::filesystem;


POINT Centre(const Shown& doc, ui::ControlId control, int index)
{
    return PixelCentre(doc.Control(control, index).Bounds());
}

// The shown documentation window, reached the way the user reaches it; closed after action.
void InDocumentationWindow(DiscDesktop& desktop, const std::function<void(const Shown& doc)>& action)
{
    RunProgram(desktop, [&](const Shown& launcher) {
        const POINT documentation = PixelCentre(launcher.Control(lblBtnText, 0).Bounds());
        EXPECT_TRUE(DoubleClickIntoModal(desktop, launcher, documentation, "frmOnlineDoc", action));
    });
}

class DocWindow : public ::testing::Test {
protected:
    DocWindow()
    {
        disc_.WriteInf(std::string(kLauncherSettings) + "[OnlineDoc]\n"
                                                         "1=VOL,File Descriptions All Volumes\n"
                                                         "2=MISS,Not on this disc\n"
                                                         "3=V1,File Descriptions Volume 1\n"
                                                         "4=UTL,Software Development Utilities\n");
        for (const char* code : {"VOL", "V1", "UTL"})
            disc_.AddManual(code);
        disc_.WriteFile("docs\\basis\\html\\index.htm", "<html></html>\n");
    }

    std::string Manual(std::string_view code) const
    {
        const std::string name(code);
        return disc_.Text(fs::path("docs") / name / (name + "DOC.PDF"));
    }

    TestDisc disc_;
    DiscDesktop desktop_{disc_};
    ShellOpensWithStandIn shell_{AUTORUN_OPEN_STAND_IN};
    BoxCloser boxes_;
};

TEST_F(DocWindow, ClickingALinkAsksTheShellToOpenItsDocument)
{
    InDocumentationWindow(desktop_, [&](const Shown& doc) {
        Click(doc.handle, Centre(doc, lblCases, 4)); // greyed: nothing
        Click(doc.handle, Centre(doc, lblCases, 1));
        ASSERT_TRUE(shell_.WaitForCalls(1));
        Click(doc.handle, Centre(doc, lblCases, kHtmlFormatIndex));
        ASSERT_TRUE(shell_.WaitForCalls(2));
        EXPECT_TRUE(IsWindowVisible(doc.handle));
        EXPECT_TRUE(desktop_.Find("frmOnlineDoc"));
    });
    const std::vector<ShellOpensWithStandIn::Call> calls = shell_.Calls();
    ASSERT_EQ(calls.size(), 2U);
    const std::string expected[] = {Manual("V1"), disc_.Text("docs\\basis\\html\\index.htm")};
    for (std::size_t i = 0; i < calls.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(calls[i].path, expected[i]);
        EXPECT_EQ(calls[i].arguments, 1);
        EXPECT_EQ(calls[i].show, SW_SHOWMAXIMIZED);
    }
    EXPECT_TRUE(boxes_.Boxes().empty());
}

// The link whose text carries the dotted focus frame: the only one whose top row, above its letters,
// is not plain white, with everything else as drawn without a focus. Null for none.
const ui::Label* FramedLink(const Shown& doc, const Image& plain)
{
    const Image shown = Painted(doc.handle);
    const ui::Label* framed = nullptr;
    for (const ui::Label& label : doc.Model().Labels()) {
        if (label.AccessibleRole() != ui::Role::Link)
            continue;
        const RECT box = PixelRect(label.Bounds());
        const int dots = CountOther(shown, {box.left, box.top, box.right, box.top + 1}, kWhite);
        if (dots == 0)
            continue;
        EXPECT_EQ(framed, nullptr) << "a second frame round " << label.Caption();
        // Dotted: every other pixel of a row as long as the text.
        EXPECT_GE(dots, 20) << label.Caption();
        EXPECT_LE(dots, (box.right - box.left) / 2 + 1) << label.Caption();
        framed = &label;
    }
    const RECT box = framed != nullptr ? PixelRect(framed->Bounds()) : RECT{};
    int outside = 0;
    for (int y = 0; y < shown.height; ++y) {
        for (int x = 0; x < shown.width; ++x) {
            if (shown.At(x, y) != plain.At(x, y) && !PtInRect(&box, POINT{x, y}))
                ++outside;
        }
    }
    EXPECT_EQ(outside, 0) << "pixels changed outside the framed link";
    return framed;
}

TEST_F(DocWindow, TabFramesTheLinksThatWorkInTurnAndNothingBeforeAKey)
{
    struct Step {
        Keystroke key;
        ui::ControlId control;
        int index;
    };
    const Step steps[] = {{{VK_TAB}, lblCases, 0},
                          {{VK_TAB}, lblCases, 1},
                          {{VK_DOWN}, lblCases, 2},
                          {{VK_TAB}, lblCases, kHtmlFormatIndex},
                          {{VK_RIGHT}, InstAcrobat, kInstAcrobatIndex},
                          {{VK_TAB}, lblCases, 0},
                          {{VK_TAB, true}, InstAcrobat, kInstAcrobatIndex},
                          {{VK_UP}, lblCases, kHtmlFormatIndex}};
    InDocumentationWindow(desktop_, [&](const Shown& doc) {
        EXPECT_EQ(GetFocus(), doc.handle);
        const Image plain = Rendered(doc.handle);
        EXPECT_EQ(FramedLink(doc, plain), nullptr);
        for (const Step& step : steps) {
            SCOPED_TRACE(std::string(step.control.name) + " " + std::to_string(step.index));
            PressKeys(doc.handle, {step.key});
            const ui::Label* framed = FramedLink(doc, plain);
            EXPECT_EQ(framed, &doc.Control(step.control, step.index));
        }
        // The pointer over a link neither frames it nor moves the frame.
        MouseMove(doc.handle, Centre(doc, lblCases, 1));
        EXPECT_EQ(FramedLink(doc, plain), &doc.Control(lblCases, kHtmlFormatIndex));
    });
    EXPECT_TRUE(shell_.Calls().empty());
}

TEST_F(DocWindow, EnterOrSpaceOpensTheFramedManual)
{
    InDocumentationWindow(desktop_, [&](const Shown& doc) {
        PressKeys(doc.handle, {{VK_TAB}, {VK_RETURN}});
        ASSERT_TRUE(shell_.WaitForCalls(1));
        PressKeys(doc.handle, {{VK_TAB}, {VK_TAB}, {VK_SPACE}});
        ASSERT_TRUE(shell_.WaitForCalls(2));
        EXPECT_TRUE(IsWindowVisible(doc.handle));
    });
    const std::vector<ShellOpensWithStandIn::Call> calls = shell_.Calls();
    ASSERT_EQ(calls.size(), 2U);
    EXPECT_EQ(calls[0].path, Manual("VOL"));
    EXPECT_EQ(calls[1].path, Manual("UTL"));
    EXPECT_EQ(calls[1].show, SW_SHOWMAXIMIZED);
    EXPECT_TRUE(boxes_.Boxes().empty());
}

TEST_F(DocWindow, ScreenReadersSeeLinksHeadingsAndWhichLinksWork)
{
    RunProgram(desktop_, [&](const Shown& launcher) {
        std::optional<ScreenReader> reader;
        const POINT documentation = PixelCentre(launcher.Control(lblBtnText, 0).Bounds());
        EXPECT_TRUE(DoubleClickIntoModal(desktop_, launcher, documentation, "frmOnlineDoc", [&](const Shown& doc) {
            const auto id = [&](ui::ControlId control, int index) {
                return static_cast<long>(doc.Model().PositionOf(doc.Control(control, index))) + 1;
            };
            doc.Control(lblTopics, 1).SetCaption("Tom && &Jerry");
            reader.emplace(doc.handle);
            ASSERT_TRUE(reader->Connected());
            struct Case {
                ui::ControlId control;
                int index;
                AccessibleChild expected;
            };
            constexpr long kLink = ROLE_SYSTEM_LINK;
            constexpr long kWorks = STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_LINKED;
            constexpr long kGrey = STATE_SYSTEM_UNAVAILABLE | STATE_SYSTEM_LINKED;
            const Case cases[] = {
                {lblCases, 0, {kLink, "File Descriptions All Volumes", "", kWorks, "Jump"}},
                {lblCases, 2, {kLink, "Software Development Utilities", "", kWorks, "Jump"}},
                {lblCases, 3, {kLink, "File Descriptions Voulme 3", "", kGrey, ""}},
                {lblCases, kHtmlFormatIndex, {kLink, "HTML Format", "", kWorks, "Jump"}},
                {InstAcrobat, kInstAcrobatIndex, {kLink, "Install Adobe Acrobat Reader", "", kWorks, "Jump"}},
                // Static text reads as read-only, as on every desktop.
                {lblTopics, 1, {ROLE_SYSTEM_STATICTEXT, "Tom & Jerry", "", STATE_SYSTEM_READONLY, ""}},
            };
            for (const Case& c : cases) {
                SCOPED_TRACE(std::string(c.control.name) + " " + std::to_string(c.index));
                AccessibleChild child;
                reader->Do([&](IAccessible& object) { child = Describe(object, id(c.control, c.index)); });
                EXPECT_EQ(child, c.expected);
            }

            // A link's default action opens its manual; a greyed one's does nothing.
            HRESULT greyed = S_OK;
            HRESULT found = E_FAIL;
            reader->Do([&](IAccessible& object) {
                greyed = object.accDoDefaultAction(ChildId(id(lblCases, 4)));
                found = object.accDoDefaultAction(ChildId(id(lblCases, 1)));
            });
            EXPECT_TRUE(FAILED(greyed));
            EXPECT_EQ(found, S_OK);
            EXPECT_TRUE(shell_.WaitForCalls(1));
        }));
        // The window has gone; a reader that still holds its object is told so, and nothing breaks.
        ASSERT_TRUE(reader);
        HRESULT gone = S_OK;
        reader->Do([&](IAccessible& object) {
            long count = 0;
            gone = object.get_accChildCount(&count);
        });
        EXPECT_TRUE(FAILED(gone));
        reader.reset();
    });
    const std::vector<ShellOpensWithStandIn::Call> calls = shell_.Calls();
    ASSERT_EQ(calls.size(), 1U);
    EXPECT_EQ(calls[0].path, Manual("V1"));
    EXPECT_TRUE(boxes_.Boxes().empty());
}

TEST_F(DocWindow, InstallerOnTheDiscIsStarted)
{
    const fs::path installer = disc_.Root() / "Utils" / "Acrobat" / "AdbeRdr70_enu_full.exe";
    fs::create_directories(installer.parent_path());
    fs::copy_file(fs::path(AUTORUN_INSTALLER_STAND_IN), installer);
    const fs::path log = disc_.Root() / "installer.log";
    SetEnvironmentVariableW(L"AUTORUN_STANDIN_LOG", log.c_str());
    const auto started = [&] {
        std::ifstream in(log);
        std::string line;
        return std::getline(in, line) && line == "installer-started";
    };

    InDocumentationWindow(desktop_, [&](const Shown& doc) {
        Click(doc.handle, Centre(doc, InstAcrobat, kInstAcrobatIndex));
        EXPECT_TRUE(PumpUntil(started));
        EXPECT_TRUE(IsWindowVisible(doc.handle));
    });
    SetEnvironmentVariableW(L"AUTORUN_STANDIN_LOG", nullptr);
    EXPECT_TRUE(boxes_.Boxes().empty());
}

} // namespace
} // namespace autorun::win32::test

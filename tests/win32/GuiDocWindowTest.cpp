// What only Windows can show of the documentation window: how the shell is asked to open a document,
// MSAA's own words, and the installer started as a program of its own.
#include "GuiTestSupport.h"

#include "docwindow/OnlineDocDesign.h"
#include "launcher/AutoRunDesign.h"

#include <gtest/gtest.h>

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
    DocWindow() { disc_.WriteCatalogue(); }

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

// How the shell is asked: each document alone, in a maximised window.
TEST_F(DocWindow, DocumentsOpenMaximisedWithTheirPathAlone)
{
    InDocumentationWindow(desktop_, [&](const Shown& doc) {
        Click(doc.handle, Centre(doc, lblCases, 1));
        // Each opening is a stand-in process of its own, which may report after a later one.
        ASSERT_TRUE(shell_.WaitForCalls(1));
        PressKeys(doc.handle, {{VK_TAB}, {VK_RETURN}});
        ASSERT_TRUE(shell_.WaitForCalls(2));
    });
    const std::vector<ShellOpensWithStandIn::Call> calls = shell_.Calls();
    ASSERT_EQ(calls.size(), 2U);
    const std::string expected[] = {Manual("V1"), Manual("VOL")};
    for (std::size_t i = 0; i < calls.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(calls[i].path, expected[i]);
        EXPECT_EQ(calls[i].arguments, 1);
        EXPECT_EQ(calls[i].show, SW_SHOWMAXIMIZED);
    }
    EXPECT_TRUE(boxes_.Boxes().empty());
}

// MSAA's own words for what a screen reader may do, and a reader that outlives the window.
TEST_F(DocWindow, ScreenReadersHearMsaasActionNamesAndOutliveTheWindow)
{
    RunProgram(desktop_, [&](const Shown& launcher) {
        const auto id = [](const Shown& shown, ui::ControlId control, int index) {
            return static_cast<long>(shown.Model().PositionOf(shown.Control(control, index))) + 1;
        };
        AccessibleChild client;
        AccessibleChild button;
        ScreenReader(launcher.handle).Do([&](IAccessible& object) {
            client = Describe(object, CHILDID_SELF);
            button = Describe(object, id(launcher, lblBtnText, 0));
        });
        EXPECT_EQ(client.role, ROLE_SYSTEM_CLIENT);
        EXPECT_EQ(button.action, "Press");
        std::optional<ScreenReader> reader;
        const POINT documentation = PixelCentre(launcher.Control(lblBtnText, 0).Bounds());
        EXPECT_TRUE(DoubleClickIntoModal(desktop_, launcher, documentation, "frmOnlineDoc", [&](const Shown& doc) {
            reader.emplace(doc.handle);
            ASSERT_TRUE(reader->Connected());
            AccessibleChild link;
            reader->Do([&](IAccessible& object) { link = Describe(object, id(doc, lblCases, 0)); });
            EXPECT_EQ(link.action, "Jump");
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

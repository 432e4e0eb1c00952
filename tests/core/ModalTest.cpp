// A window that waits for a modal window or a message box of its own takes nothing, whatever route an
// event takes: a screen reader's action, a key, a click or a pointer move the desktop let through.
#include "docwindow/OnlineDocDesign.h"
#include "docwindow/frmOnlineDoc.h"
#include "launcher/AutoRunDesign.h"
#include "launcher/frmAutoRun.h"
#include "platform/fake/FakeDesktop.h"

#include <gtest/gtest.h>

namespace autorun {
namespace {

// The label a route aims at, and a point inside it.
struct Target {
    std::size_t label;
    ui::Point at;
};

Target TargetOf(const ui::Window& window, ui::ControlId control, int index)
{
    const ui::Label& label = window.Control(control, index);
    return {window.PositionOf(label), {label.Bounds().left + 30, label.Bounds().top + 30}};
}

struct Route {
    const char* name;
    void (*act)(Form& blocked, const Target& target);
};

void PrintTo(const Route& route, std::ostream* os)
{
    *os << route.name;
}

const Route kRoutes[] = {
    {"ScreenReaderAction", [](Form& f, const Target& t) { f.DoDefaultAction(t.label); }},
    {"Enter", [](Form& f, const Target&) { f.KeyDown(Key::Enter); }},
    {"Space", [](Form& f, const Target&) { f.KeyDown(Key::Space); }},
    {"Tab", [](Form& f, const Target&) { f.KeyDown(Key::Tab); }},
    {"Escape", [](Form& f, const Target&) { f.KeyDown(Key::Escape); }},
    {"DoubleClick", [](Form& f, const Target& t) { f.DoubleClick(t.at, MouseButton::Left); }},
    {"Click",
     [](Form& f, const Target& t) {
         f.MouseDown(t.at, MouseButton::Left);
         f.MouseUp(t.at, MouseButton::Left);
     }},
    {"PointerMove", [](Form& f, const Target& t) { f.MouseMove({t.at.x + 15, t.at.y}, false); }},
};

// Focus, colours, shown state and captions: everything a route could change.
std::string Snapshot(ui::Window& window)
{
    std::string s = window.Focus() ? std::to_string(*window.Focus()) : "none";
    for (const ui::Label& label : window.Labels())
        s += "|" + label.Caption() + ":" + std::to_string(label.ForeColour()) + (label.Visible() ? "v" : "h") +
             (label.Enabled() ? "e" : "d");
    return s + (window.TakeChanges().close ? "|close" : "");
}

class BlockedWindow : public testing::TestWithParam<Route> {
protected:
    BlockedWindow()
    {
        desktop_.files["D:\\autorun.inf"] = "[Descriptions]\r\n1=Docs,Read the manuals\r\n2=Browse,Look around\r\n"
                                            "[OnlineDoc]\r\n1=ALL,All volumes\r\n";
        desktop_.disc["D:\\docs\\ALL\\ALLDOC.PDF"] = FakeDesktop::Entry::NormalFile;
        launcher_.Load();
    }

    FakeDesktop desktop_;
    frmAutoRun launcher_{desktop_};
    // Message boxes shown so far; a route acts inside the first only.
    int boxes_ = 0;
};

// Closes the documentation window from inside, as Esc does, and reports whether it still answered.
bool StillAnswers(Form& doc)
{
    if (!doc.Loaded() || !doc.KeyDown(Key::Tab) || !doc.Window().Focus())
        return false;
    doc.Window().TakeChanges();
    return doc.KeyDown(Key::Escape) && doc.Window().TakeChanges().close;
}

TEST_P(BlockedWindow, LauncherTakesNothingWhileTheDocumentationWindowIsShown)
{
    // Enter would open the documentation window again from the focused button.
    launcher_.KeyDown(Key::Tab);
    const Target target = TargetOf(launcher_.Window(), lblBtnText, 0);
    bool answered = false;
    int depth = 0;
    desktop_.whileModal = [&](Form& doc) {
        if (++depth > 1)
            return; // a second showing: the failure the test looks for
        const std::string before = Snapshot(launcher_.Window());
        GetParam().act(launcher_, target);
        GetParam().act(launcher_, TargetOf(launcher_.Window(), lblBtnText, 1));
        // The handler itself, called directly, does not show the window a second time either.
        launcher_.FireIcon(0);
        EXPECT_EQ(Snapshot(launcher_.Window()), before);
        answered = StillAnswers(doc);
    };
    launcher_.KeyDown(Key::Enter);

    EXPECT_EQ(desktop_.modalShowings.size(), 1u);
    EXPECT_TRUE(desktop_.browsedFolders.empty());
    EXPECT_TRUE(answered);
    // Once the window is closed the launcher answers again.
    launcher_.DoDefaultAction(target.label);
    EXPECT_EQ(desktop_.modalShowings.size(), 2u);
}

TEST_P(BlockedWindow, DocumentationWindowTakesNothingWhileItsFailureBoxIsShown)
{
    desktop_.openFailure = Failure(5, "Access is denied.");
    desktop_.whileModal = [&](Form& doc) {
        const Target html = TargetOf(doc.Window(), lblCases, kHtmlFormatIndex);
        desktop_.whileMessage = [&](std::string_view) {
            if (++boxes_ > 1)
                return;
            const std::string before = Snapshot(doc.Window());
            GetParam().act(doc, html);
            EXPECT_EQ(Snapshot(doc.Window()), before);
        };
        // The first link, then HTML Format, has the focus.
        doc.KeyDown(Key::Tab);
        doc.KeyDown(Key::Tab);
        doc.KeyDown(Key::Enter);
    };
    launcher_.FireIcon(0);

    EXPECT_EQ(desktop_.messages.size(), 1u);
    EXPECT_EQ(desktop_.modalShowings.size(), 1u);
}

TEST_P(BlockedWindow, LauncherTakesNothingWhileItsFailureBoxIsShown)
{
    desktop_.browseFailure = Failure(2, "No file browser.");
    launcher_.KeyDown(Key::Down);
    launcher_.KeyDown(Key::Down);
    desktop_.whileMessage = [&](std::string_view) {
        if (++boxes_ > 1)
            return;
        const std::string before = Snapshot(launcher_.Window());
        GetParam().act(launcher_, TargetOf(launcher_.Window(), lblBtnText, 1));
        GetParam().act(launcher_, TargetOf(launcher_.Window(), lblBtnText, 0));
        EXPECT_EQ(Snapshot(launcher_.Window()), before);
    };
    launcher_.KeyDown(Key::Enter);

    EXPECT_EQ(desktop_.messages.size(), 1u);
    EXPECT_TRUE(desktop_.modalShowings.empty());
}

INSTANTIATE_TEST_SUITE_P(Routes, BlockedWindow, testing::ValuesIn(kRoutes),
                         [](const testing::TestParamInfo<Route>& row) { return std::string(row.param.name); });

} // namespace
} // namespace autorun

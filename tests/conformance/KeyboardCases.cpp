// Both windows from the keyboard, and what each way of acting on a button or a link starts: the same
// on every desktop.
#include "Cases.h"

#include <gtest/gtest.h>

#include <functional>

namespace autorun::conformance {
namespace {

const std::string kDescriptions[] = {"Read the manuals of the kit", "See every file on the disc"};

TEST_F(OnEveryDesktop, KeysLightTheButtonsInTurnAsThePointerDoes)
{
    struct Step {
        const char* keys;
        Key key;
        Modifiers held;
        int lit;
    };
    // Round and round in design order, whichever way.
    const Step steps[] = {{"Tab", Key::Tab, {}, 0},     {"Tab", Key::Tab, {}, 1},
                          {"Tab", Key::Tab, {}, 0},     {"Shift+Tab", Key::Tab, {.shift = true}, 1},
                          {"Shift+Tab", Key::Tab, {.shift = true}, 0}, {"Down", Key::Down, {}, 1},
                          {"Up", Key::Up, {}, 0},       {"Left", Key::Left, {}, 1},
                          {"Right", Key::Right, {}, 0}, {"Down", Key::Down, {}, 1},
                          {"Right", Key::Right, {}, 0}};
    desktop_.Run([&](ui::Window& launcher) {
        // Nothing is lit before a key, even with the keyboard in the window, and keys the launcher does
        // not use change nothing.
        ASSERT_TRUE(desktop_.WaitFor([&] { return desktop_.HasKeyboard(launcher); }));
        ExpectLit(launcher, -1);
        desktop_.TypeUnused(launcher);
        desktop_.Type(launcher, {Key::Escape});
        desktop_.Type(launcher, {Key::Tab}, {.control = true});
        ExpectLit(launcher, -1);
        for (const Step& step : steps) {
            SCOPED_TRACE(step.keys);
            desktop_.Type(launcher, {step.key}, step.held);
            ExpectLit(launcher, step.lit);
            EXPECT_EQ(launcher.Control(lblDescr).Caption(), kDescriptions[step.lit]);
        }
        // The pointer takes the light over, and the next key moves on from where the pointer left it.
        for (const int button : {0, 1}) {
            SCOPED_TRACE(button);
            desktop_.MoveTo(launcher, CentreOf(launcher.Control(lblBtnText, button)));
            ExpectLit(launcher, button);
            desktop_.Type(launcher, {Key::Tab});
            ExpectLit(launcher, 1 - button);
        }
        desktop_.TypeUnused(launcher);
        ExpectLit(launcher, 0);
    });
    EXPECT_TRUE(desktop_.Opened().empty());
    EXPECT_EQ(desktop_.FoldersShown(), std::size_t{0});
    EXPECT_TRUE(desktop_.Boxes().empty());
}

TEST_F(OnEveryDesktop, EnterOrSpaceOpensTheDocumentationAndEscapeGivesTheKeyboardBack)
{
    desktop_.Run([&](ui::Window& launcher) {
        ASSERT_TRUE(desktop_.WaitFor([&] { return desktop_.HasKeyboard(launcher); }));
        desktop_.Type(launcher, {Key::Tab});
        for (const Key key : {Key::Enter, Key::Space}) {
            SCOPED_TRACE(key == Key::Enter ? "Enter" : "Space");
            bool keyboardInDoc = false;
            bool closed = false;
            const bool opened = desktop_.IntoModal([&] { desktop_.Type(launcher, {key}); }, "frmOnlineDoc",
                                                   [&](ui::Window& doc) {
                keyboardInDoc = desktop_.WaitFor([&] { return desktop_.Active(doc) && desktop_.HasKeyboard(doc); });
                EXPECT_EQ(launcher.Control(lblBtnText, 0).ForeColour(), ColorBtnHover);
                desktop_.Type(doc, {Key::Escape});
                closed = desktop_.WaitFor([&] { return !Shown("frmOnlineDoc"); });
            });
            ASSERT_TRUE(opened);
            EXPECT_TRUE(keyboardInDoc);
            EXPECT_TRUE(closed) << "Escape did not close it";
            EXPECT_FALSE(Shown("frmOnlineDoc"));
            EXPECT_FALSE(desktop_.Blocked(launcher));
            EXPECT_TRUE(desktop_.WaitFor([&] { return desktop_.Active(launcher) && desktop_.HasKeyboard(launcher); }));
            ExpectLit(launcher, 0);
        }
        // The focus stayed on the button: the next key moves on from it.
        desktop_.Type(launcher, {Key::Down});
        ExpectLit(launcher, 1);
    });
    EXPECT_TRUE(desktop_.Opened().empty());
    EXPECT_TRUE(desktop_.Boxes().empty());
}

TEST_F(OnEveryDesktop, BrowseShowsTheDiscFolderByDoubleClickKeyOrScreenReader)
{
    desktop_.Run([&](ui::Window& launcher) {
        const ui::Label& browse = launcher.Control(lblBtnText, 1);
        // With no focus yet Enter and Space do nothing, and a single click does nothing either.
        desktop_.Type(launcher, {Key::Enter, Key::Space});
        desktop_.Click(launcher, CentreOf(browse));
        EXPECT_EQ(desktop_.FoldersShown(), std::size_t{0});
        struct Route {
            const char* how;
            std::function<void()> act;
            bool byKey;
        };
        const Route routes[] = {
            {"a double-click", [&] { desktop_.DoubleClick(launcher, CentreOf(browse)); }, false},
            {"Enter", [&] { desktop_.Type(launcher, {Key::Tab, Key::Tab, Key::Enter}); }, true},
            {"Space", [&] { desktop_.Type(launcher, {Key::Space}); }, true},
            {"a screen reader's action", [&] { EXPECT_TRUE(desktop_.Press(launcher, launcher.PositionOf(browse))); },
             false},
        };
        std::size_t shown = 0;
        for (const Route& route : routes) {
            SCOPED_TRACE(route.how);
            route.act();
            ASSERT_TRUE(desktop_.WaitForFoldersShown(++shown));
            if (route.byKey) {
                ExpectLit(launcher, 1);
            }
        }
    });
    EXPECT_EQ(desktop_.FoldersShown(), std::size_t{4});
    EXPECT_TRUE(desktop_.Boxes().empty());
}

TEST_F(OnEveryDesktop, PointerLeavingTheWindowKeepsTheHighlight)
{
    desktop_.Run([&](ui::Window& launcher) {
        desktop_.MoveTo(launcher, CentreOf(launcher.Control(lblBtnText, 1)));
        ASSERT_EQ(launcher.Control(lblBtnText, 1).ForeColour(), ColorBtnHover);
        desktop_.Leave(launcher);
        ExpectLit(launcher, 1);
    });
}

// The link the dotted focus frame is drawn round, or null, with nothing else changed from plain, the
// window as drawn before any key.
const ui::Label* FramedLink(Driver& desktop, const ui::Window& doc, const Image& plain)
{
    const Image shown = desktop.Painted(doc);
    const ui::Label* framed = nullptr;
    for (const ui::Label& label : doc.Labels()) {
        if (label.AccessibleRole() != ui::Role::Link)
            continue;
        // The frame is the only black in a link's box: link text is coloured or grey.
        const ui::PixelBox box = PixelsOf(label);
        const int black = CountNear(shown, box, kBlack, 24);
        const int dots = CountOther(shown, {box.left, box.top, box.right, box.top + 1}, kWhite);
        if (black == 0 && dots == 0)
            continue;
        SCOPED_TRACE(label.Caption());
        EXPECT_EQ(framed, nullptr) << "a second frame";
        // Dotted: about every other pixel of the frame's edges, which span the text.
        EXPECT_GT(black, box.Height());
        EXPECT_GE(dots, 20);
        EXPECT_LE(dots, box.Width() / 2 + 1);
        // Its upright edge lies within the box.
        EXPECT_GT(CountNear(shown, {box.left, box.top, box.left + 1, box.bottom}, kBlack, 24), 3);
        framed = &label;
    }
    const ui::PixelBox box = framed != nullptr ? PixelsOf(*framed) : ui::PixelBox{};
    int outside = 0;
    for (int y = 0; y < shown.height; ++y) {
        for (int x = 0; x < shown.width; ++x) {
            const bool inside = x >= box.left && x < box.right && y >= box.top && y < box.bottom;
            if (shown.At(x, y) != plain.At(x, y) && !inside)
                ++outside;
        }
    }
    EXPECT_EQ(outside, 0) << "pixels changed outside the framed link";
    return framed;
}

TEST_F(OnEveryDesktop, TabWalksTheLinksThatWorkAndFramesOne)
{
    struct Step {
        const char* keys;
        Key key;
        Modifiers held;
        ui::ControlId control;
        int index;
    };
    // The greyed places 3 to 5 are skipped.
    const Step steps[] = {{"Tab", Key::Tab, {}, lblCases, 0},
                          {"Tab", Key::Tab, {}, lblCases, 1},
                          {"Down", Key::Down, {}, lblCases, 2},
                          {"Tab", Key::Tab, {}, lblCases, kHtmlFormatIndex},
                          {"Right", Key::Right, {}, InstAcrobat, kInstAcrobatIndex},
                          {"Tab", Key::Tab, {}, lblCases, 0},
                          {"Shift+Tab", Key::Tab, {.shift = true}, InstAcrobat, kInstAcrobatIndex},
                          {"Up", Key::Up, {}, lblCases, kHtmlFormatIndex},
                          {"Left", Key::Left, {}, lblCases, 2}};
    WriteCatalogue();
    InDocumentationWindow([&](ui::Window& doc) {
        EXPECT_TRUE(desktop_.WaitFor([&] { return desktop_.HasKeyboard(doc); }));
        const Image plain = desktop_.Rendered(doc);
        EXPECT_EQ(FramedLink(desktop_, doc, plain), nullptr);
        for (const Step& step : steps) {
            SCOPED_TRACE(step.keys);
            desktop_.Type(doc, {step.key}, step.held);
            const ui::Label& focused = doc.Control(step.control, step.index);
            EXPECT_EQ(doc.Focus(), doc.PositionOf(focused));
            EXPECT_EQ(FramedLink(desktop_, doc, plain), &focused);
        }
        // The pointer over a link neither frames it nor moves the frame.
        desktop_.MoveTo(doc, CentreOf(doc.Control(lblCases, 1)));
        EXPECT_EQ(FramedLink(desktop_, doc, plain), &doc.Control(lblCases, 2));
    });
    EXPECT_TRUE(desktop_.Opened().empty());
    EXPECT_TRUE(desktop_.Boxes().empty());
}

TEST_F(OnEveryDesktop, EnterOrSpaceOpensTheFocusedEntry)
{
    struct Case {
        Key key;
        fs::path opened;
    };
    const Case cases[] = {{Key::Enter, Manual("VOL")},
                          {Key::Space, Manual("V1")},
                          {Key::Enter, Manual("UTL")},
                          {Key::Space, fs::path("docs") / "basis" / "html" / "index.htm"}};
    WriteCatalogue();
    InDocumentationWindow([&](ui::Window& doc) {
        // Nothing has the focus yet, so nothing opens.
        desktop_.Type(doc, {Key::Enter, Key::Space});
        std::size_t opened = 0;
        for (const Case& c : cases) {
            SCOPED_TRACE(c.opened.string());
            desktop_.Type(doc, {Key::Tab, c.key});
            ASSERT_TRUE(desktop_.WaitForOpened(++opened));
            EXPECT_EQ(desktop_.Opened().back(), desktop_.PathText(c.opened));
        }
        EXPECT_EQ(desktop_.Find("frmOnlineDoc"), &doc);
    });
    EXPECT_EQ(desktop_.Opened().size(), std::size(cases));
    EXPECT_TRUE(desktop_.Boxes().empty());
}

TEST_F(OnEveryDesktop, ClickingALinkOpensItsDocument)
{
    WriteCatalogue();
    InDocumentationWindow([&](ui::Window& doc) {
        desktop_.Click(doc, CentreOf(doc.Control(lblCases, 4))); // greyed: nothing
        desktop_.Click(doc, CentreOf(doc.Control(lblCases, 1)));
        ASSERT_TRUE(desktop_.WaitForOpened(1));
        desktop_.Click(doc, CentreOf(doc.Control(lblCases, kHtmlFormatIndex)));
        ASSERT_TRUE(desktop_.WaitForOpened(2));
        EXPECT_EQ(desktop_.Find("frmOnlineDoc"), &doc);
    });
    const std::vector<std::string> expected = {desktop_.PathText(Manual("V1")),
                                               desktop_.PathText(fs::path("docs") / "basis" / "html" / "index.htm")};
    EXPECT_EQ(desktop_.Opened(), expected);
    EXPECT_TRUE(desktop_.Boxes().empty());
}

} // namespace
} // namespace autorun::conformance

// Both windows as a screen reader meets them, the same on every desktop: what it reads of each label
// and where, where it finds the focus, what its action does, and what the windows tell it as keys go.
#include "Cases.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace autorun::conformance {
namespace {

// Only where a screen reader could listen: on Linux, with a session's accessibility bus.
class ScreenReadersOnEveryDesktop : public OnEveryDesktop {
protected:
    void SetUp() override { ASSERT_TRUE(desktop_.Listen()) << "no screen reader could listen here"; }

    // What the window announced until done() holds of everything it announced since this began.
    bool AnnouncedUntil(const ui::Window& window, std::vector<Announcement>& told,
                        const std::function<bool(const std::vector<Announcement>&)>& done)
    {
        return desktop_.WaitFor([&] {
            const std::vector<Announcement> more = desktop_.Announced(window);
            told.insert(told.end(), more.begin(), more.end());
            return done(told);
        });
    }
};

bool Has(const std::vector<Announcement>& told, const Announcement& wanted)
{
    return std::find(told.begin(), told.end(), wanted) != told.end();
}

std::vector<std::size_t> Focused(const std::vector<Announcement>& told)
{
    std::vector<std::size_t> labels;
    for (const Announcement& announcement : told) {
        if (announcement.what == "focus")
            labels.push_back(announcement.label);
    }
    return labels;
}

Reading With(Reading reading, const std::string& state)
{
    reading.states.insert(state);
    return reading;
}

const Reading kText{"text", "", "", {"read-only"}, false};
const Reading kDocumentation{"button", "Online Documentation", "Read the manuals of the kit", {"focusable"}, true};
const Reading kBrowse{"button", "Browse this CD", "See every file on the disc", {"focusable"}, true};

Reading Describing(const std::string& text)
{
    Reading shown = kText;
    shown.name = text;
    return shown;
}

// Where the launcher's two buttons and its description line are among its labels.
struct LauncherPlaces {
    explicit LauncherPlaces(const ui::Window& launcher)
        : button0(launcher.PositionOf(launcher.Control(lblBtnText, 0))),
          button1(launcher.PositionOf(launcher.Control(lblBtnText, 1))),
          description(launcher.PositionOf(launcher.Control(lblDescr)))
    {
    }
    std::size_t button0, button1, description;
};

// Where the reader is told each label lies, and that a point inside a shown one finds it.
void ExpectPlaces(Driver& desktop, const ui::Window& window)
{
    for (std::size_t label = 0; label < window.Labels().size(); ++label) {
        SCOPED_TRACE(window.Labels()[label].Caption());
        const ui::PixelBox box = PixelsOf(window.Labels()[label]);
        const ui::PixelBox told = desktop.Where(window, label);
        EXPECT_TRUE(told.left == box.left && told.top == box.top && told.right == box.right && told.bottom == box.bottom)
            << told.left << "," << told.top << " " << told.Width() << "x" << told.Height();
        if (window.Labels()[label].Visible()) {
            EXPECT_EQ(desktop.ReaderAt(window, CentreOf(window.Labels()[label])), label);
            EXPECT_EQ(desktop.ReaderAt(window, {box.left + 2, box.top + 2}), label);
        }
    }
}

// The launcher walked from the keyboard: what a screen reader reads and hears at each key, and keys
// held with Ctrl, Alt or the Windows key left to the desktop.
TEST_F(ScreenReadersOnEveryDesktop, LauncherFromTheKeyboard)
{
    desktop_.Run([&](ui::Window& window) {
        ASSERT_TRUE(desktop_.WaitFor([&] { return desktop_.HasKeyboard(window); }));
        const auto [button0, button1, description] = LauncherPlaces(window);
        struct Step {
            const char* keys;
            Key key;
            Modifiers held;
            Reading documentation, browse, description;
            std::vector<Announcement> told;     // among what the keys announced
            std::vector<Announcement> untold{}; // never announced by them
        };
        const std::string& text0 = kDocumentation.description;
        const std::string& text1 = kBrowse.description;
        const Step steps[] = {
            {"Tab", Key::Tab, {}, With(kDocumentation, "focused"), kBrowse, Describing(text0),
             {{"show", description}, {"name", description}, {"focus", button0}}},
            // The desktop's, on both: Ctrl+Tab, Alt+Down and the Windows key with Tab move nothing.
            {"Ctrl+Tab", Key::Tab, {.control = true}, With(kDocumentation, "focused"), kBrowse, Describing(text0), {},
             {{"focus", button1}}},
            {"Alt+Down", Key::Down, {.alt = true}, With(kDocumentation, "focused"), kBrowse, Describing(text0), {},
             {{"focus", button1}}},
            {"Tab", Key::Tab, {}, kDocumentation, With(kBrowse, "focused"), Describing(text1),
             {{"name", description}, {"focus", button1}}, {{"show", description}}},
            {"Shift+Tab", Key::Tab, {.shift = true}, With(kDocumentation, "focused"), kBrowse, Describing(text0),
             {{"name", description}, {"focus", button0}}},
        };
        desktop_.Announced(window);
        EXPECT_EQ(desktop_.Read(window, button0), kDocumentation);
        EXPECT_EQ(desktop_.Read(window, button1), kBrowse);
        EXPECT_EQ(desktop_.Read(window, description), With(kText, "invisible"));
        for (const Step& step : steps) {
            SCOPED_TRACE(step.keys);
            desktop_.Type(window, {step.key}, step.held);
            const std::vector<Announcement> told = desktop_.Announced(window);
            EXPECT_EQ(desktop_.Read(window, button0), step.documentation);
            EXPECT_EQ(desktop_.Read(window, button1), step.browse);
            EXPECT_EQ(desktop_.Read(window, description), step.description);
            for (const Announcement& wanted : step.told)
                EXPECT_TRUE(Has(told, wanted)) << testing::PrintToString(wanted) << " not among "
                                               << testing::PrintToString(told);
            for (const Announcement& unwanted : step.untold)
                EXPECT_FALSE(Has(told, unwanted)) << testing::PrintToString(unwanted);
        }
    });
}

TEST_F(ScreenReadersOnEveryDesktop, LauncherReadsTwoButtonsAndTheHiddenDescription)
{
    desktop_.Run([&](ui::Window& launcher) {
        const auto [documentation, browse, description] = LauncherPlaces(launcher);
        const Reading window = desktop_.ReadWindow(launcher);
        EXPECT_EQ(window.name, "VELMO Developers Kit v7.03");
        EXPECT_EQ(window.children, launcher.Labels().size());
        EXPECT_EQ(desktop_.Read(launcher, documentation), kDocumentation);
        EXPECT_EQ(desktop_.Read(launcher, browse), kBrowse);
        EXPECT_EQ(desktop_.Read(launcher, description), With(kText, "invisible"));
        ExpectPlaces(desktop_, launcher);
        EXPECT_EQ(desktop_.ReaderFocus(launcher), std::nullopt);

        // The keyboard's focus is the reader's focus, told as it moves; the description line shows and
        // reads the button's text. A label reads as focused only while its window has the keyboard.
        ASSERT_TRUE(desktop_.WaitFor([&] { return desktop_.HasKeyboard(launcher); }));
        EXPECT_TRUE(desktop_.ReadWindow(launcher).states.contains("focused"));
        desktop_.Announced(launcher);
        std::vector<Announcement> told;
        for (const std::size_t expected : {documentation, browse}) {
            desktop_.Type(launcher, {Key::Tab});
            EXPECT_EQ(desktop_.ReaderFocus(launcher), expected);
            EXPECT_TRUE(desktop_.Read(launcher, expected).states.contains("focused"));
        }
        EXPECT_FALSE(desktop_.ReadWindow(launcher).states.contains("focused"));
        EXPECT_FALSE(desktop_.Read(launcher, documentation).states.contains("focused"));
        EXPECT_EQ(desktop_.Read(launcher, description), Describing(kBrowse.description));
        EXPECT_TRUE(AnnouncedUntil(launcher, told, [](const auto& all) { return Focused(all).size() >= 2; }));
        EXPECT_EQ(Focused(told), (std::vector<std::size_t>{documentation, browse}));

        // The action of "Online Documentation" opens the window, as a double-click does.
        EXPECT_TRUE(desktop_.IntoModal([&] { EXPECT_TRUE(desktop_.Press(launcher, documentation)); },
                                       "frmOnlineDoc", [](ui::Window&) {}));
        EXPECT_TRUE(desktop_.WaitFor([&] { return !desktop_.Blocked(launcher); }));
    });
    EXPECT_TRUE(desktop_.Boxes().empty());
}

TEST_F(ScreenReadersOnEveryDesktop, DocumentationWindowReadsHeadingsAndWhichLinksWork)
{
    struct Case {
        ui::ControlId control;
        int index;
        Reading expected;
    };
    const Reading works{"link", "", "", {"focusable", "linked"}, true};
    const Reading greyed{"link", "", "", {"unavailable", "linked"}, false};
    const auto named = [](Reading reading, const char* name) {
        reading.name = name;
        return reading;
    };
    const Case cases[] = {
        // Static text reads as read-only; a name is the caption as it reads, without its & marks.
        {lblTopics, 0, named(kText, "Online Documentation (Adobe Acrobat Required)")},
        {lblTopics, 1, named(kText, "Tom & Jerry")},
        {lblCases, 0, named(works, "File Descriptions All Volumes")},
        {lblCases, 1, named(works, "Tom & Jerry")},
        {lblCases, 2, named(works, "Software Development Utilities")},
        {lblCases, 3, named(greyed, "File Descriptions Voulme 3")},
        {lblCases, 5, named(greyed, "Development Standards")},
        {lblCases, kHtmlFormatIndex, named(works, "HTML Format")},
        {InstAcrobat, kInstAcrobatIndex, named(works, "Install Adobe Acrobat Reader")},
    };
    WriteCatalogue();
    desktop_.Run([&](ui::Window& launcher) {
        const std::size_t button = launcher.PositionOf(launcher.Control(lblBtnText, 0));
        ASSERT_TRUE(desktop_.WaitFor([&] { return desktop_.HasKeyboard(launcher); }));
        desktop_.Type(launcher, {Key::Tab});
        EXPECT_TRUE(desktop_.WaitFor([&] { return desktop_.Read(launcher, button).states.contains("focused"); }));
        const bool opened = desktop_.IntoModal([&] { desktop_.Type(launcher, {Key::Enter}); }, "frmOnlineDoc",
                                               [&](ui::Window& doc) {
            const auto position = [&](ui::ControlId control, int index) {
                return doc.PositionOf(doc.Control(control, index));
            };
            doc.Control(lblTopics, 1).SetCaption("Tom && &Jerry");
            doc.Control(lblCases, 1).SetCaption("Tom && &Jerry");
            ASSERT_TRUE(desktop_.WaitFor([&] { return desktop_.Active(doc) && desktop_.HasKeyboard(doc); }));
            EXPECT_EQ(desktop_.ReadWindow(doc).name, kDocumentationTitle);
            EXPECT_EQ(desktop_.ReadWindow(doc).children, doc.Labels().size());
            for (const Case& c : cases) {
                SCOPED_TRACE(std::string(c.control.name) + " " + std::to_string(c.index));
                EXPECT_EQ(desktop_.Read(doc, position(c.control, c.index)), c.expected);
            }
            ExpectPlaces(desktop_, doc);
            EXPECT_EQ(desktop_.ReaderFocus(doc), std::nullopt);

            // One label has the focus: the launcher's button no longer reads as focused.
            desktop_.Type(doc, {Key::Tab});
            EXPECT_EQ(desktop_.ReaderFocus(doc), position(lblCases, 0));
            EXPECT_TRUE(desktop_.Read(doc, position(lblCases, 0)).states.contains("focused"));
            EXPECT_FALSE(desktop_.Read(launcher, button).states.contains("focused"));
            EXPECT_EQ(desktop_.ReaderFocus(launcher), std::nullopt);

            // A link's action opens its manual; a greyed one takes none.
            EXPECT_FALSE(desktop_.Press(doc, position(lblCases, 4)));
            EXPECT_TRUE(desktop_.Press(doc, position(lblCases, 1)));
            EXPECT_TRUE(desktop_.WaitForOpened(1));
        });
        EXPECT_TRUE(opened);
        // Back with the keyboard, the launcher's button reads as focused again.
        EXPECT_TRUE(desktop_.WaitFor([&] { return desktop_.Read(launcher, button).states.contains("focused"); }));
    });
    EXPECT_EQ(desktop_.Opened(), std::vector<std::string>{desktop_.PathText(Manual("V1"))});
    EXPECT_TRUE(desktop_.Boxes().empty());
}

TEST_F(ScreenReadersOnEveryDesktop, TellsWhatChangesAndWhereTheFocusIsWhenAWindowComesBack)
{
    desktop_.Run([&](ui::Window& launcher) {
        ASSERT_TRUE(desktop_.WaitFor([&] { return desktop_.HasKeyboard(launcher); }));
        const auto [button0, button1, description] = LauncherPlaces(launcher);
        const auto focusOn = [](std::size_t label) {
            return [label](const std::vector<Announcement>& told) {
                return !Focused(told).empty() && Focused(told).back() == label;
            };
        };
        desktop_.Announced(launcher);

        // The description line appears with the first button's text, then reads the second's.
        desktop_.Type(launcher, {Key::Tab});
        std::vector<Announcement> told;
        EXPECT_TRUE(AnnouncedUntil(launcher, told, focusOn(button0)));
        EXPECT_TRUE(Has(told, {"show", description}));
        EXPECT_TRUE(Has(told, {"name", description}));
        told.clear();
        desktop_.Type(launcher, {Key::Tab});
        EXPECT_TRUE(AnnouncedUntil(launcher, told, focusOn(button1)));
        EXPECT_TRUE(Has(told, {"name", description}));
        EXPECT_FALSE(Has(told, {"show", description}));
        desktop_.Type(launcher, {Key::Tab});

        // When the documentation window closes, the launcher's focused button is told last.
        bool escaped = false;
        EXPECT_TRUE(desktop_.IntoModal([&] { desktop_.Type(launcher, {Key::Enter}); }, "frmOnlineDoc",
                                       [&](ui::Window& doc) {
            EXPECT_TRUE(desktop_.WaitFor([&] { return desktop_.Active(doc); }));
            desktop_.Announced(launcher);
            desktop_.Type(doc, {Key::Escape});
            escaped = true;
        }));
        ASSERT_TRUE(escaped);
        told.clear();
        EXPECT_TRUE(AnnouncedUntil(launcher, told, focusOn(button0)))
            << "focus told after the window came back: " << testing::PrintToString(Focused(told));
    });
    EXPECT_TRUE(desktop_.Boxes().empty());
}

} // namespace
} // namespace autorun::conformance

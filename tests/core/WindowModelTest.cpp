#include "../DesktopThemes.h"
#include "docwindow/OnlineDocDesign.h"
#include "launcher/AutoRunDesign.h"
#include "platform/fake/FakeDesktop.h"
#include "ui/Form.h"

#include <gtest/gtest.h>

namespace autorun {
namespace {

using ui::Hit;

constexpr ui::ControlId lblBelow{"lblBelow"};
constexpr ui::ControlId lblAbove{"lblAbove"};
constexpr ui::ControlId lblHidden{"lblHidden"};
constexpr ui::ControlId lblGrey{"lblGrey"};

// Two overlapping labels (the later one on top), a hidden one, a disabled one and an image.
const ui::LabelDesign kLabels[] = {
    {.control = lblBelow, .index = 0, .rect = {100, 100, 1000, 300}, .caption = "below"},
    {.control = lblAbove, .index = 0, .rect = {600, 200, 1000, 300}, .caption = "above", .pointer = ui::Pointer::Hand},
    {.control = lblHidden, .index = -1, .rect = {3000, 100, 500, 500}, .caption = "hidden", .visible = false},
    {.control = lblGrey, .index = 3, .rect = {100, 1000, 1000, 240}, .caption = "grey", .enabled = false,
     .pointer = ui::Pointer::Hand},
};
const ui::ImageDesign kImages[] = {{.name = "Image1", .rect = {3200, 300, 480, 480}}};
const ui::WindowDesign kDesign{.name = "frmTest", .title = "Test", .client = {6000, 3000}, .images = kImages,
                               .labels = kLabels};

class RecordingForm : public Form {
public:
    explicit RecordingForm(Desktop& desktop) : Form(desktop) { window_.emplace(kDesign); }

    std::vector<std::string> events;
    std::optional<Failure> failOnClick;

protected:
    void OnSurfaceMouseMove() override { events.push_back("move surface"); }
    void OnLabelMouseMove(ui::Label& label) override { events.push_back("move " + std::string(label.Control().name)); }
    void OnLabelClick(ui::Label& label) override
    {
        if (failOnClick)
            throw *failOnClick;
        events.push_back("click " + std::string(label.Control().name));
    }
    void OnLabelDoubleClick(ui::Label& label) override { events.push_back("dblclick " + std::string(label.Control().name)); }
};

TEST(HitTest, FindsWhatLiesUnderThePoint)
{
    const ui::Window window(kDesign);
    struct Row {
        ui::Point point;
        Hit expected;
    };
    const Row rows[] = {
        {{50, 50}, {Hit::Kind::Surface, 0}},
        {{100, 100}, {Hit::Kind::Label, 0}},  // top-left corner belongs to the label
        {{1099, 399}, {Hit::Kind::Label, 1}}, // overlap: the later label is on top
        {{599, 250}, {Hit::Kind::Label, 0}},
        {{1100, 150}, {Hit::Kind::Surface, 0}}, // right edge belongs to what lies beyond
        {{300, 400}, {Hit::Kind::Surface, 0}},  // bottom edge likewise
        {{3100, 200}, {Hit::Kind::Surface, 0}}, // a hidden label takes nothing
        {{3300, 400}, {Hit::Kind::Image, 0}},   // under the hidden label, the image
        {{200, 1100}, {Hit::Kind::Label, 3}},   // a disabled label still takes the pointer
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.point.x << "," << row.point.y);
        EXPECT_EQ(window.HitTest(row.point), row.expected);
    }
}

TEST(HitTest, PointerIsTheLabelsOwnOnlyWhileItCanBeClicked)
{
    ui::Window window(kDesign);
    EXPECT_EQ(window.PointerAt({700, 450}), ui::Pointer::Hand);
    EXPECT_EQ(window.PointerAt({200, 150}), ui::Pointer::Arrow);
    EXPECT_EQ(window.PointerAt({200, 1100}), ui::Pointer::Arrow);
    EXPECT_EQ(window.PointerAt({50, 50}), ui::Pointer::Arrow);
    window.Control(lblGrey, 3).SetEnabled(true);
    EXPECT_EQ(window.PointerAt({200, 1100}), ui::Pointer::Hand);
}

TEST(HitTest, ShowingALabelMakesItTakeThePointer)
{
    ui::Window window(kDesign);
    window.Control(lblHidden).SetVisible(true);
    EXPECT_EQ(window.HitTest({3300, 400}), (Hit{Hit::Kind::Label, 2}));
}

TEST(FormEvents, MovesReachTheLabelOrTheBareSurface)
{
    FakeDesktop desktop;
    RecordingForm form(desktop);
    form.MouseMove({50, 50}, false);
    form.MouseMove({200, 150}, false);
    form.MouseMove({3300, 400}, false); // over the image: nobody handles it
    form.MouseMove({200, 1100}, false);
    EXPECT_EQ(form.events, (std::vector<std::string>{"move surface", "move lblBelow", "move lblGrey"}));
}

TEST(FormEvents, AClickNeedsPressAndReleaseOnTheSameEnabledLabelWithTheLeftButton)
{
    FakeDesktop desktop;
    RecordingForm form(desktop);
    form.MouseDown({200, 150}, MouseButton::Left);
    form.MouseUp({210, 160}, MouseButton::Left);
    form.MouseDown({200, 150}, MouseButton::Left);
    form.MouseUp({1500, 450}, MouseButton::Left); // released over another label
    form.MouseDown({200, 150}, MouseButton::Right);
    form.MouseUp({200, 150}, MouseButton::Right);
    form.MouseDown({200, 1100}, MouseButton::Left); // disabled
    form.MouseUp({200, 1100}, MouseButton::Left);
    form.MouseUp({200, 150}, MouseButton::Left); // release without a press
    EXPECT_EQ(form.events, (std::vector<std::string>{"click lblBelow"}));
}

TEST(FormEvents, ADoubleClickReplacesTheSecondClick)
{
    FakeDesktop desktop;
    RecordingForm form(desktop);
    form.MouseDown({200, 150}, MouseButton::Left);
    form.MouseUp({200, 150}, MouseButton::Left);
    form.DoubleClick({200, 150}, MouseButton::Left);
    form.MouseUp({200, 150}, MouseButton::Left);
    form.DoubleClick({200, 1100}, MouseButton::Left); // disabled: nothing
    EXPECT_EQ(form.events, (std::vector<std::string>{"click lblBelow", "dblclick lblBelow"}));
}

TEST(FormEvents, ThePressedLabelKeepsThePointerWhileTheButtonIsHeld)
{
    FakeDesktop desktop;
    RecordingForm form(desktop);
    form.MouseDown({200, 150}, MouseButton::Left);
    form.MouseMove({50, 50}, true);
    form.MouseMove({50, 50}, false);
    EXPECT_EQ(form.events, (std::vector<std::string>{"move lblBelow", "move surface"}));
}

TEST(FormEvents, AFailureNoHandlerCatchesEndsTheProgramWithTheRuntimeReport)
{
    FakeDesktop desktop;
    RecordingForm form(desktop);
    form.failOnClick = Failure(53, "File not found: D:\\x");
    form.MouseDown({200, 150}, MouseButton::Left);
    try {
        form.MouseUp({200, 150}, MouseButton::Left);
        FAIL() << "the program went on";
    } catch (const ProgramEnded& ended) {
        EXPECT_EQ(ended.report, "Run-time error '53':\n\nFile not found: D:\\x");
    }
}

TEST(WindowModel, ReportsEachChangeOnceEvenWhenTheValueStaysTheSame)
{
    ui::Window window(kDesign);
    EXPECT_FALSE(window.TakeChanges().Any());
    window.Control(lblGrey, 3).SetCaption("grey");
    window.Control(lblBelow, 0).SetForeColour(ui::kButtonText);
    window.SetTitle("Test");
    ui::WindowChanges changes = window.TakeChanges();
    // Both are repainted; neither reads differently.
    EXPECT_EQ(changes.labels, (std::vector<ui::LabelChange>{{.label = 0}, {.label = 3}}));
    EXPECT_TRUE(changes.title);
    EXPECT_FALSE(changes.position || changes.focus || changes.keyboard || changes.density || changes.close);
    EXPECT_FALSE(window.TakeChanges().Any());

    // The focus repaints the label it leaves and the one it reaches.
    window.SetFocus(1);
    window.TakeChanges();
    window.SetFocus(3);
    changes = window.TakeChanges();
    EXPECT_EQ(changes.labels,
              (std::vector<ui::LabelChange>{{.label = 1, .focus = true}, {.label = 3, .focus = true}}));
    EXPECT_TRUE(changes.focus);
    window.SetFocus(3);
    EXPECT_FALSE(window.TakeChanges().Any());

    window.SetPosition({15, 30});
    window.SetDpi(144);
    window.RequestClose();
    window.SetKeyboard(true);
    window.SetKeyboard(true);
    changes = window.TakeChanges();
    EXPECT_TRUE(changes.position && changes.density && changes.close && changes.keyboard);
    window.SetKeyboard(true);
    EXPECT_FALSE(window.TakeChanges().keyboard);
}

// Screen readers are told what of a label reads differently: its text, its showing, its greying.
TEST(WindowModel, SaysWhatOfALabelChanged)
{
    struct Row {
        const char* what;
        void (*change)(ui::Label&);
        ui::LabelChange expected; // for lblBelow, position 0
    };
    const Row rows[] = {
        {"new caption", [](ui::Label& l) { l.SetCaption("other"); }, {.caption = true}},
        {"caption set back before asked", [](ui::Label& l) { l.SetCaption("x"); l.SetCaption("below"); },
         {.caption = true}},
        {"hidden", [](ui::Label& l) { l.SetVisible(false); }, {.visibility = true}},
        {"greyed", [](ui::Label& l) { l.SetEnabled(false); }, {.enabled = true}},
        {"colour only", [](ui::Label& l) { l.SetForeColour(0x0000FF); }, {}},
        {"same values", [](ui::Label& l) { l.SetVisible(true); l.SetEnabled(true); }, {}},
        {"caption and greyed", [](ui::Label& l) { l.SetCaption("other"); l.SetEnabled(false); },
         {.caption = true, .enabled = true}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ui::Window window(kDesign);
        row.change(window.Control(lblBelow, 0));
        EXPECT_EQ(window.TakeChanges().labels, std::vector<ui::LabelChange>{row.expected});
        EXPECT_TRUE(window.TakeChanges().labels.empty());
    }
}

TEST(WindowModel, DecidesHowALabelLooks)
{
    constexpr ui::ControlId lblLink{"lblLink"};
    constexpr ui::ControlId cmdButton{"cmdButton"};
    const ui::LabelDesign labels[] = {
        {.control = lblLink, .index = -1, .rect = {0, 0, 100, 100}, .foreColour = 0x00FF0000, .role = ui::Role::Link},
        {.control = cmdButton, .index = -1, .rect = {0, 200, 100, 100}, .foreColour = 0x000000FF,
         .role = ui::Role::PushButton},
    };
    ui::Window window({.name = "frmLook", .client = {1000, 1000}, .labels = labels});
    window.SetColours(test::kDarkTheme.colours);
    EXPECT_TRUE(window.TakeChanges().colours);
    ui::Label& link = window.Control(lblLink);
    ui::Label& button = window.Control(cmdButton);
    EXPECT_EQ(window.Look(link), (ui::LabelLook{.colour = 0x00FF0000}));
    window.SetFocus(0);
    // Only a link draws the focus frame; a button shows the focus in its colours.
    EXPECT_EQ(window.Look(link), (ui::LabelLook{.colour = 0x00FF0000, .focusFrame = 0x000000}));
    window.SetFocus(1);
    EXPECT_EQ(window.Look(button), (ui::LabelLook{.colour = 0x000000FF}));
    EXPECT_FALSE(window.Look(link).focusFrame);
    button.SetEnabled(false);
    // Greyed in the desktop's own pair, whatever its colour.
    EXPECT_EQ(window.Look(button), (ui::LabelLook{.colour = 0x282828, .embossed = 0x505050}));
    // A desktop colour is read from the theme; the dark theme's pale text would not read on white.
    button.SetEnabled(true);
    button.SetForeColour(ui::kButtonText);
    EXPECT_EQ(window.Look(button).colour, 0x000000u);
    window.SetColours(test::kHighContrastBlack.colours);
    window.SetFocus(0);
    EXPECT_EQ(window.Look(link), (ui::LabelLook{.colour = 0x00FFFF, .focusFrame = 0xFFFFFF}));
}

TEST(WindowModel, EveryTextReadsInEveryTheme)
{
    constexpr test::DesktopTheme fusion{"high contrast on a light palette",
                                        {.window = 0xEFEFEF, .highContrast = true, .windowText = 0x000000,
                                         .link = 0xFF0000, .greyText = 0xBEBEBE, .highlight = 0xC68C30}};
    struct Row {
        const test::DesktopTheme& theme;
        ui::Colour heading, link, greyed, installer, button, lit, description, back;
    };
    const Row rows[] = {
        // The designs' colours, a greyed pair, and the desktop's text colour on white.
        {test::kDefaultTheme, 0x000000, ColorDocLink, 0xA0A0A0, ColorInstaller, ColorBtnNormal, ColorBtnHover,
         0xFFFFFF, 0xFFFFFF},
        // Pale text on the design's white turns black.
        {test::kDarkTheme, 0x000000, ColorDocLink, 0x282828, ColorInstaller, ColorBtnNormal, ColorBtnHover,
         0xFFFFFF, 0xFFFFFF},
        {test::kHighContrastBlack, 0xFFFFFF, 0x00FFFF, 0x3FF23F, 0x00FFFF, 0xFFFFFF, 0xFFEB1A, 0xFFFFFF, 0x000000},
        {test::kHighContrastWhite, 0x000000, 0x9F0000, 0x000060, 0x9F0000, 0x000000, 0x6E0037, 0x000000, 0xFFFFFF},
        // High contrast on a palette not made for it (Qt's own, where GNOME switched it on): the
        // pale grey and the highlight would not read on its window colour, and turn black.
        {fusion, 0x000000, 0xFF0000, 0x000000, 0xFF0000, 0x000000, 0x000000, 0x000000, 0xEFEFEF},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.theme.name);
        const bool high = row.theme.colours.highContrast;
        ui::Window doc(OnlineDocDesign());
        ui::Window launcher(AutoRunDesign());
        for (ui::Window* window : {&doc, &launcher}) {
            window->SetColours(row.theme.colours);
            EXPECT_EQ(window->Backdrop(), (ui::Backdrop{row.back, !high}));
        }
        doc.Control(lblCases, 0).SetEnabled(false);
        launcher.Control(lblBtnText, 1).SetForeColour(ColorBtnHover);
        const struct {
            const ui::Window& window;
            const ui::Label& label;
            ui::Colour colour;
        } expected[] = {
            {doc, doc.Control(lblTopics, 0), row.heading},
            {doc, doc.Control(lblCases, kHtmlFormatIndex), row.link},
            {doc, doc.Control(lblCases, 0), row.greyed},
            {doc, doc.Control(InstAcrobat, kInstAcrobatIndex), row.installer},
            {launcher, launcher.Control(lblBtnText, 0), row.button},
            {launcher, launcher.Control(lblBtnText, 1), row.lit},
            {launcher, launcher.Control(lblDescr), row.description},
        };
        for (const auto& [window, label, colour] : expected) {
            SCOPED_TRACE(label.Caption());
            const ui::LabelLook look = window.Look(label);
            EXPECT_EQ(look.colour, colour);
            EXPECT_EQ(look.embossed.has_value(), !label.Enabled() && !high);
            // In high contrast everything reads; otherwise what the desktop's colours decide.
            if (high || (label.Enabled() && ui::IsSystemColour(label.ForeColour()))) {
                EXPECT_GE(ui::ContrastRatio(look.colour, window.Backdrop().colour), ui::kLegibleContrast);
            }
        }
    }
}

class DescribedForm : public Form {
public:
    explicit DescribedForm(Desktop& desktop, std::span<const ui::LabelDesign> labels) : Form(desktop)
    {
        window_.emplace(ui::WindowDesign{.name = "frmDescribed", .client = {6000, 3000}, .labels = labels});
    }
    std::string Description(const ui::Label& label) const override
    {
        return label.AccessibleRole() == ui::Role::PushButton ? "does " + label.Caption() : "";
    }
};

// One rule for every desktop: what a screen reader learns of each kind of label in each state.
TEST(Describe, TellsScreenReadersWhatEachLabelIs)
{
    constexpr ui::ControlId lbl{"lbl"};
    const ui::LabelDesign labels[] = {
        {.control = lbl, .index = 0, .rect = {0, 0, 1000, 200}, .caption = "&Open", .role = ui::Role::PushButton},
        {.control = lbl, .index = 1, .rect = {0, 300, 1000, 200}, .caption = "Tom && Jerry", .role = ui::Role::Link},
        {.control = lbl, .index = 2, .rect = {0, 600, 1000, 200}, .caption = "Heading"},
        {.control = lbl, .index = 3, .rect = {0, 900, 1000, 200}, .caption = "Greyed", .enabled = false,
         .role = ui::Role::Link},
        {.control = lbl, .index = 4, .rect = {0, 1200, 1000, 200}, .caption = "Hidden", .visible = false,
         .role = ui::Role::PushButton},
    };
    const AccessibleLabel button{.role = ui::Role::PushButton, .name = "Open", .description = "does &Open",
                                 .focusable = true, .action = DefaultAction::Press};
    const AccessibleLabel link{.role = ui::Role::Link, .name = "Tom & Jerry", .focusable = true, .linked = true,
                               .action = DefaultAction::Jump};
    const AccessibleLabel text{.role = ui::Role::StaticText, .name = "Heading", .readOnly = true};
    const AccessibleLabel greyed{.role = ui::Role::Link, .name = "Greyed", .unavailable = true, .linked = true};
    const AccessibleLabel hidden{.role = ui::Role::PushButton, .name = "Hidden", .description = "does Hidden",
                                 .invisible = true};
    const auto with = [](AccessibleLabel described, auto change) {
        change(described);
        return described;
    };
    struct Row {
        const char* state;
        bool shown;
        bool keyboard;
        std::optional<std::size_t> focus;
        std::vector<AccessibleLabel> expected;
    };
    const auto invisible = [](AccessibleLabel& d) { d.invisible = true; };
    const auto focused = [](AccessibleLabel& d) { d.focused = true; };
    const Row rows[] = {
        {"shown, with the keyboard", true, true, std::nullopt, {button, link, text, greyed, hidden}},
        {"not yet shown", false, false, std::nullopt,
         {with(button, invisible), with(link, invisible), with(text, invisible), with(greyed, invisible), hidden}},
        {"the link focused", true, true, 1, {button, with(link, focused), text, greyed, hidden}},
        // Another window has the keyboard: nothing of this one reads as focused.
        {"the link focused, the keyboard elsewhere", true, false, 1, {button, link, text, greyed, hidden}},
    };
    FakeDesktop desktop;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.state);
        DescribedForm form(desktop, labels);
        form.Window().SetShown(row.shown);
        form.Window().SetKeyboard(row.keyboard);
        form.Window().SetFocus(row.focus);
        for (std::size_t i = 0; i < row.expected.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(form.Describe(i), row.expected[i]);
        }
    }
}

TEST(Describe, FindsTheShownLabelUnderAPoint)
{
    FakeDesktop desktop;
    RecordingForm form(desktop);
    EXPECT_EQ(form.AccessibleAt({50, 50}), std::nullopt);
    EXPECT_EQ(form.AccessibleAt({1099, 399}), std::optional<std::size_t>(1)); // the top-most of two
    EXPECT_EQ(form.AccessibleAt({3100, 200}), std::nullopt);                  // hidden
    EXPECT_EQ(form.AccessibleAt({3300, 400}), std::nullopt);                  // an image
}

} // namespace
} // namespace autorun

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
    EXPECT_EQ(changes.labels, (std::vector<std::size_t>{0, 3}));
    EXPECT_TRUE(changes.title);
    EXPECT_FALSE(changes.position || changes.focus || changes.density || changes.close);
    EXPECT_FALSE(window.TakeChanges().Any());

    // The focus repaints the label it leaves and the one it reaches.
    window.SetFocus(1);
    window.TakeChanges();
    window.SetFocus(3);
    changes = window.TakeChanges();
    EXPECT_EQ(changes.labels, (std::vector<std::size_t>{1, 3}));
    EXPECT_TRUE(changes.focus);
    window.SetFocus(3);
    EXPECT_FALSE(window.TakeChanges().Any());

    window.SetPosition({15, 30});
    window.SetDpi(144);
    window.RequestClose();
    changes = window.TakeChanges();
    EXPECT_TRUE(changes.position && changes.density && changes.close);
}

} // namespace
} // namespace autorun

#include "launcher/frmAutoRun.h"

#include "app/AppPath.h"
#include "app/Centre.h"
#include "app/CommaPair.h"
#include "app/ReadInfString.h"
#include "launcher/AutoRunDesign.h"
#include "platform/Desktop.h"

namespace autorun {

frmAutoRun::frmAutoRun(Desktop& desktop) : Form(desktop)
{
    window_.emplace(AutoRunDesign());
}

frmAutoRun::~frmAutoRun() = default;

void frmAutoRun::Load()
{
    Guarded([this] {
        CentreWindow(desktop_, Window());
        AppPath = ResolveAppPath(desktop_.ProgramFolder());
        InfFile = InfFilePath(AppPath);
        FetchInfKeyValue();
    });
}

ui::Label& frmAutoRun::Button(int index)
{
    return Window().Control(lblBtnText, index);
}

void frmAutoRun::FetchInfKeyValue()
{
    std::string title = ReadInfString(desktop_, "App Info", "1", InfFile);
    if (!title.empty())
        Window().SetTitle(std::move(title));

    for (int key = 1; key <= 2; ++key) {
        const int button = key - 1;
        const std::string value = ReadInfString(desktop_, "Descriptions", std::to_string(key), InfFile);
        if (value.empty())
            continue;
        if (std::optional<CommaPair> pair = SplitAtFirstComma(value)) {
            Button(button).SetCaption(std::move(pair->first));
            BtnDescr[button] = std::move(pair->second);
        } else {
            Button(button).SetCaption(value);
        }
    }
}

void frmAutoRun::FireIcon(std::int16_t index)
{
    switch (index) {
    case 0:
        if (!onlineDoc_)
            onlineDoc_ = std::make_unique<frmOnlineDoc>(desktop_);
        onlineDoc_->Show();
        break;
    case 1:
        // The launch folder is the disc; the current folder is wherever the program was started from.
        try {
            desktop_.BrowseFolder(AppPath);
        } catch (const Failure& failure) {
            desktop_.ShowMessage(Window(), FailureReportText(failure));
        }
        break;
    default:
        break;
    }
}

void frmAutoRun::IconsOff()
{
    for (int b = 0; b <= 1; ++b)
        Button(b).SetForeColour(ColorBtnNormal);
    ui::Label& description = Window().Control(lblDescr);
    if (description.Visible())
        description.SetVisible(false);
    lit_.reset();
}

void frmAutoRun::IconsOn(std::int16_t index)
{
    for (int b = 0; b <= 1; ++b) {
        const ui::Colour wanted = b == index ? ColorBtnHover : ColorBtnNormal;
        if (Button(b).ForeColour() != wanted)
            Button(b).SetForeColour(wanted);
    }
    ui::Label& description = Window().Control(lblDescr);
    description.SetCaption(BtnDescr.at(static_cast<std::size_t>(index)));
    if (!description.Visible())
        description.SetVisible(true);
    lit_ = index;
}

std::string frmAutoRun::Description(const ui::Label& label) const
{
    if (label.Control() != lblBtnText || label.Index() < 0 || label.Index() >= static_cast<int>(BtnDescr.size()))
        return {};
    return BtnDescr[static_cast<std::size_t>(label.Index())];
}

// The pointer and the keyboard light one button between them, as in a menu: once a key has
// given the window a focus, the pointer moves it; the pointer leaving the buttons takes it away.
void frmAutoRun::OnSurfaceMouseMove()
{
    IconsOff();
    Window().SetFocus(std::nullopt);
}

void frmAutoRun::OnLabelMouseMove(ui::Label& label)
{
    if (label.Control() != lblBtnText)
        return;
    IconsOn(static_cast<std::int16_t>(label.Index()));
    if (Window().Focus())
        Window().SetFocus(Window().PositionOf(label));
}

void frmAutoRun::OnLabelDoubleClick(ui::Label& label)
{
    if (label.Control() == lblBtnText)
        FireIcon(static_cast<std::int16_t>(label.Index()));
}

// Enter and Space do what a double-click does.
void frmAutoRun::OnLabelActivate(ui::Label& label)
{
    OnLabelDoubleClick(label);
}

void frmAutoRun::OnFocus(ui::Label& label)
{
    if (label.Control() == lblBtnText)
        IconsOn(static_cast<std::int16_t>(label.Index()));
}

// A key pressed while the pointer lights a button moves on from that button.
std::optional<std::size_t> frmAutoRun::FocusAnchor() const
{
    if (Window().Focus() || !lit_)
        return Window().Focus();
    return Window().PositionOf(Window().Control(lblBtnText, *lit_));
}

} // namespace autorun

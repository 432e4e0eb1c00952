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
    ui::Label& description = Window().Control("lblDescr");
    if (description.Visible())
        description.SetVisible(false);
}

void frmAutoRun::IconsOn(std::int16_t index)
{
    for (int b = 0; b <= 1; ++b) {
        const ui::Colour wanted = b == index ? ColorBtnHover : ColorBtnNormal;
        if (Button(b).ForeColour() != wanted)
            Button(b).SetForeColour(wanted);
    }
    ui::Label& description = Window().Control("lblDescr");
    description.SetCaption(BtnDescr.at(static_cast<std::size_t>(index)));
    if (!description.Visible())
        description.SetVisible(true);
}

void frmAutoRun::OnSurfaceMouseMove()
{
    IconsOff();
}

void frmAutoRun::OnLabelMouseMove(ui::Label& label)
{
    if (label.Control() == "lblBtnText")
        IconsOn(static_cast<std::int16_t>(label.Index()));
}

void frmAutoRun::OnLabelDoubleClick(ui::Label& label)
{
    if (label.Control() == "lblBtnText")
        FireIcon(static_cast<std::int16_t>(label.Index()));
}

} // namespace autorun

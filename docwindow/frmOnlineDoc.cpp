#include "docwindow/frmOnlineDoc.h"

#include "app/AppPath.h"
#include "app/Centre.h"
#include "app/CommaPair.h"
#include "app/ReadInfString.h"
#include "docwindow/OnlineDocDesign.h"
#include "platform/Desktop.h"

#include <cassert>

namespace autorun {

frmOnlineDoc::frmOnlineDoc(Desktop& desktop) : Form(desktop) {}

void frmOnlineDoc::Show()
{
    // One showing at a time: a second would free the window the first one is still showing.
    if (Loaded())
        return;
    window_.emplace(OnlineDocDesign());
    Form_Load();
    desktop_.ShowModal(*this);
    window_.reset();
}

void frmOnlineDoc::Form_Load()
{
    try {
        CentreWindow(desktop_, Window());
        AppPath = ResolveAppPath(desktop_.ProgramFolder());
        InfFile = InfFilePath(AppPath);
        FetchInfKeyValue();
        AvailCount = FetchAvailablePDFs();
        DisplayAvailPDFs();
    } catch (const Failure& failure) {
        ReportFailure(failure);
    }
}

void frmOnlineDoc::FetchInfKeyValue()
{
    for (std::size_t k = 1; k <= DocCode.size(); ++k) {
        const std::string value = ReadInfString(desktop_, "OnlineDoc", std::to_string(k), InfFile);
        if (value.empty())
            continue;
        // A missing or malformed entry keeps what its slot held: later entries never move up.
        if (std::optional<CommaPair> pair = SplitAtFirstComma(value)) {
            DocCode[k - 1] = std::move(pair->first);
            DocDescr[k - 1] = std::move(pair->second);
        }
    }
}

std::int16_t frmOnlineDoc::FetchAvailablePDFs()
{
    std::size_t found = 0;
    for (std::size_t k = 0; k < DocCode.size(); ++k) {
        const std::string& code = DocCode[k];
        if (code.empty())
            continue;
        bool present = false;
        try {
            present = !desktop_.FindFile(AppPath + "docs\\" + code + "\\" + code + "DOC.PDF").empty();
        } catch (const Failure&) {
            // A disc that cannot be read there simply lacks that manual.
        }
        if (present) {
            AvailDescr[found] = DocDescr[k];
            AvailCode[found] = code;
            ++found;
        }
    }
    return static_cast<std::int16_t>(found);
}

void frmOnlineDoc::DisplayAvailPDFs()
{
    for (int j = 0; j < AvailCount; ++j) {
        ui::Label& place = Window().Control(lblCases, j);
        place.SetEnabled(true);
        place.SetCaption(AvailDescr[static_cast<std::size_t>(j)]);
        place.SetForeColour(ColorDocLink);
    }
}

void frmOnlineDoc::OnLabelClick(ui::Label& label)
{
    const auto index = static_cast<std::int16_t>(label.Index());
    if (label.Control() == lblCases)
        lblCases_Click(index);
    else if (label.Control() == InstAcrobat)
        InstAcrobat_Click(index);
}

bool frmOnlineDoc::OnEscape()
{
    Window().RequestClose();
    return true;
}

void frmOnlineDoc::lblCases_Click(std::int16_t index)
{
    try {
        std::string target;
        // AppPath ends in "\", so both targets hold "\\" before docs: the texts the program has always handed
        // over, which every file system reads as one separator. Left as they are on purpose.
        if (index == kHtmlFormatIndex) {
            target = AppPath + "\\docs\\basis\\html\\index.htm";
        } else {
            // Places beyond the manuals found stay disabled, so they never click.
            assert(index >= 0 && index < AvailCount);
            const std::string& code = AvailCode.at(static_cast<std::size_t>(index));
            target = AppPath + "\\docs\\" + code + "\\" + code + "DOC.PDF";
        }
        desktop_.OpenDocument(Window(), target);
    } catch (const Failure& failure) {
        ReportFailure(failure);
    }
}

void frmOnlineDoc::InstAcrobat_Click(std::int16_t)
{
    // Reported rather than ending the program: a disc without the installer is no reason to quit.
    try {
        desktop_.StartProgram(AppPath + "Utils\\Acrobat\\" + "AdbeRdr70_enu_full.exe");
    } catch (const Failure& failure) {
        ReportFailure(failure);
    }
}

void frmOnlineDoc::ReportFailure(const Failure& failure)
{
    desktop_.ShowMessage(Window(), FailureReportText(failure));
}

} // namespace autorun

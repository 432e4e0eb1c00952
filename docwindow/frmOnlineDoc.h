// The documentation window's behaviour: at every showing it reads the catalogue from
// the settings file, probes the disc for each manual and turns the places of the
// manuals found into links; clicks open documents or start the reader installer.
// Failures while loading or opening are reported in a box and the window carries on.
#pragma once

#include "ui/Form.h"

#include <array>
#include <cstdint>
#include <string>

namespace autorun {

class frmOnlineDoc : public Form {
public:
    explicit frmOnlineDoc(Desktop& desktop);

    // Builds the window afresh, loads it, shows it modally and returns once it is
    // closed; does nothing while already shown. The catalogue outlives the showing; the controls do not.
    void Show();

    void DisplayAvailPDFs();
    std::int16_t FetchAvailablePDFs();
    void FetchInfKeyValue();

protected:
    void OnLabelClick(ui::Label& label) override;
    bool OnEscape() override;

private:
    void Form_Load();
    void lblCases_Click(std::int16_t index);
    void InstAcrobat_Click(std::int16_t index);
    void ReportFailure(const Failure& failure);

    std::string AppPath;
    std::string InfFile;
    std::array<std::string, 6> DocCode;
    std::array<std::string, 6> DocDescr;
    std::int16_t AvailCount = 0;
    std::array<std::string, 6> AvailCode;
    std::array<std::string, 6> AvailDescr;
};

} // namespace autorun

// The launcher window's behaviour: titles and buttons from the settings file, the
// hover highlight with its description line, and the two buttons' actions.
// A file browser that cannot be started is reported and the launcher carries on; any other
// failure that escapes a handler ends the program.
#pragma once

#include "docwindow/frmOnlineDoc.h"
#include "ui/Form.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace autorun {

class frmAutoRun : public Form {
public:
    explicit frmAutoRun(Desktop& desktop);
    ~frmAutoRun() override;

    // The load handler: centre, resolve the launch folder, apply the settings.
    void Load();

    void FetchInfKeyValue();
    void FireIcon(std::int16_t index);
    void IconsOff();
    void IconsOn(std::int16_t index);

    // A button's description line.
    std::string Description(const ui::Label& label) const override;

protected:
    void OnSurfaceMouseMove() override;
    void OnLabelMouseMove(ui::Label& label) override;
    void OnLabelDoubleClick(ui::Label& label) override;
    void OnLabelActivate(ui::Label& label) override;
    void OnFocus(ui::Label& label) override;
    std::optional<std::size_t> FocusAnchor() const override;

private:
    ui::Label& Button(int index);

    std::string AppPath;
    std::string InfFile;
    std::array<std::string, 2> BtnDescr;
    // The button lit by the pointer or the keyboard, whichever came last.
    std::optional<std::int16_t> lit_;

    // Created on first use; it keeps its catalogue between showings.
    std::unique_ptr<frmOnlineDoc> onlineDoc_;
};

} // namespace autorun

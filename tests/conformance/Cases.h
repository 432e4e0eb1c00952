// What the shared cases start from: a disc of the driver's own with the launcher's settings, the
// documentation catalogue, and the ways into the windows the user takes.
#pragma once

#include "Conformance.h"

#include "../LauncherSettings.h"
#include "docwindow/OnlineDocDesign.h"
#include "launcher/AutoRunDesign.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace autorun::conformance {

namespace fs = std::filesystem;

constexpr Rgb kWhite = MakeRgb(255, 255, 255);
constexpr Rgb kBlack = MakeRgb(0, 0, 0);
constexpr Rgb kHoverText = MakeRgb(0, 0, 192);
constexpr Rgb kNormalText = MakeRgb(192, 64, 0);
constexpr Rgb kLinkBlue = MakeRgb(0, 0, 255);
constexpr Rgb kRed = MakeRgb(255, 0, 0);
// The description line where it lies over the dark foot of the artwork (which ends at row 420).
constexpr ui::PixelBox kDescriptionOverArtwork{24, 400, 592, 420};
// Between the two buttons.
constexpr Spot kGap{300, 147};

const std::string kDocumentationTitle = "VELMO Developers Kit v7.03 Online Documentation";
const fs::path kInstaller = fs::path("Utils") / "Acrobat" / "AdbeRdr70_enu_full.exe";

inline fs::path Manual(std::string_view code)
{
    const std::string name(code);
    return fs::path("docs") / name / (name + "DOC.PDF");
}

class OnEveryDesktop : public ::testing::Test {
protected:
    OnEveryDesktop() { desktop_.Disc().WriteInf(test::kLauncherSettings); }

    void WriteFile(const fs::path& relative, std::string_view text) const { desktop_.Disc().WriteFile(relative, text); }
    void WriteCatalogue() const { desktop_.Disc().WriteCatalogue(); }

    // The documentation window, opened the way the user opens it; closed after action.
    void InDocumentationWindow(const std::function<void(ui::Window& doc)>& action)
    {
        driver_->Run([&](ui::Window& launcher) { EXPECT_TRUE(OpenDocumentation(launcher, action)); });
    }

    bool OpenDocumentation(ui::Window& launcher, const std::function<void(ui::Window& doc)>& action)
    {
        const Spot documentation = CentreOf(launcher.Control(lblBtnText, 0));
        return driver_->DoubleClickIntoModal(launcher, documentation, "frmOnlineDoc", action);
    }

    // Whether the launcher shows button `lit` highlighted, and the other plain; -1: neither.
    void ExpectLit(ui::Window& launcher, int lit)
    {
        const Image shown = driver_->Painted(launcher);
        for (int b = 0; b <= 1; ++b) {
            SCOPED_TRACE("button " + std::to_string(b));
            const ui::Label& button = launcher.Control(lblBtnText, b);
            EXPECT_EQ(button.ForeColour(), b == lit ? ColorBtnHover : ColorBtnNormal);
            EXPECT_EQ(CountNear(shown, PixelsOf(button), kHoverText) > 20, b == lit);
            EXPECT_EQ(CountNear(shown, PixelsOf(button), kNormalText) > 20, b != lit);
        }
        EXPECT_EQ(launcher.Control(lblDescr).Visible(), lit >= 0);
        EXPECT_EQ(CountNear(shown, kDescriptionOverArtwork, kWhite) > 50, lit >= 0);
    }

    bool Shown(std::string_view name) { return desktop_.Find(name) != nullptr; }

    std::unique_ptr<Driver> driver_ = MakeDriver();
    Driver& desktop_ = *driver_;
};

} // namespace autorun::conformance

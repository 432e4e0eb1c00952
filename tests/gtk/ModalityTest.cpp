// What only GTK can get wrong: it hands the pointer input of a window a modal one blocks to the modal
// window's widget, in the blocked window's coordinates.
#include "tests/conformance/Cases.h"

#include <gtest/gtest.h>

namespace autorun::conformance {
namespace {

class GtkModality : public OnEveryDesktop {};

TEST_F(GtkModality, ClicksOnTheBlockedLauncherOpenNothingInTheDocumentationWindow)
{
    WriteCatalogue();
    InDocumentationWindow([&](ui::Window& doc) {
        ui::Window& launcher = *desktop_.Find("frmAutoRun");
        // Where the documentation window has its first manual's link.
        const Spot link = CentreOf(doc.Control(lblCases, 0));
        desktop_.MoveTo(launcher, link);
        desktop_.Click(launcher, link);
        desktop_.DoubleClick(launcher, link);
        // The window's own click, which opens its manual after any the launcher's clicks started.
        desktop_.Click(doc, CentreOf(doc.Control(lblCases, 1)));
        ASSERT_TRUE(desktop_.WaitForOpened(1));
    });
    EXPECT_EQ(desktop_.Opened(), std::vector<std::string>{desktop_.PathText(Manual("V1"))});
}

} // namespace
} // namespace autorun::conformance

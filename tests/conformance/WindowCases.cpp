// The launcher and the documentation window as a mouse user meets them, the same on every desktop:
// what they draw, where, the pointer, modality, and what a click starts or reports.
#include "Cases.h"
#include "../DesktopThemes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <map>

namespace autorun::conformance {
namespace {

TEST_F(OnEveryDesktop, ShowsTheDesignedWindowWhereTheModelPlacesIt)
{
    const int status = desktop_.Run([&](ui::Window& launcher) {
        const Frame frame = desktop_.FrameOf(launcher);
        EXPECT_EQ(frame.title, "VELMO Developers Kit v7.03");
        EXPECT_EQ(frame.clientWidth, 599);
        EXPECT_EQ(frame.clientHeight, 427);
        // A fixed frame with a close box, and nothing to size, minimise or maximise it by.
        EXPECT_FALSE(frame.sizable);
        EXPECT_FALSE(frame.minimisable);
        EXPECT_FALSE(frame.maximisable);
        EXPECT_TRUE(frame.closable);
        EXPECT_FALSE(frame.dialog);
        EXPECT_EQ(frame.owner, "");
        EXPECT_EQ(frame.topLeft.x, ui::ToPixels(launcher.Position().x));
        EXPECT_EQ(frame.topLeft.y, ui::ToPixels(launcher.Position().y));

        // The icon's mask: clear around the book and in the disc's hole, solid on the book.
        const Glyph icon = desktop_.IconOf(launcher);
        ASSERT_EQ(icon.width, 32);
        ASSERT_EQ(icon.height, 32);
        EXPECT_EQ(icon.shade(0, 0), Shade::Clear);
        EXPECT_EQ(icon.shade(21, 19), Shade::Clear);
        EXPECT_NE(icon.shade(10, 10), Shade::Clear);

        // The splash picture at its own size from the top-left, the white back colour below it.
        const Image shown = desktop_.Painted(launcher);
        const Image splash = desktop_.Picture(ui::Resource::SplashPicture);
        ASSERT_GE(splash.width, 599);
        ASSERT_GE(splash.height, 110);
        EXPECT_GT(DistinctColours(splash.Part({0, 0, 599, 110})), 100);
        EXPECT_TRUE(shown.Part({0, 0, 599, 110}) == splash.Part({0, 0, 599, 110}));
        EXPECT_EQ(CountOther(shown, {0, 420, 599, 427}, kWhite), 0);
    });
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(desktop_.Boxes().empty());
}

TEST_F(OnEveryDesktop, HoverHighlightsOneButtonAndShowsItsDescription)
{
    const std::string descriptions[] = {"Read the manuals of the kit", "See every file on the disc"};
    desktop_.Run([&](ui::Window& launcher) {
        const ui::Label& description = launcher.Control(lblDescr);
        for (int button = 0; button <= 1; ++button) {
            SCOPED_TRACE(button);
            const ui::Label& hovered = launcher.Control(lblBtnText, button);
            const ui::Label& plain = launcher.Control(lblBtnText, 1 - button);

            desktop_.MoveTo(launcher, CentreOf(hovered));
            EXPECT_EQ(hovered.ForeColour(), ColorBtnHover);
            EXPECT_EQ(plain.ForeColour(), ColorBtnNormal);
            EXPECT_TRUE(description.Visible());
            EXPECT_EQ(description.Caption(), descriptions[button]);
            EXPECT_EQ(desktop_.PointerAt(launcher, CentreOf(hovered)).kind, Glyph::Kind::Arrow);
            Image shown = desktop_.Painted(launcher);
            EXPECT_GT(CountNear(shown, PixelsOf(hovered), kHoverText), 20);
            EXPECT_EQ(CountNear(shown, PixelsOf(hovered), kNormalText), 0);
            EXPECT_GT(CountNear(shown, PixelsOf(plain), kNormalText), 20);
            EXPECT_EQ(CountNear(shown, PixelsOf(plain), kHoverText), 0);
            EXPECT_GT(CountNear(shown, kDescriptionOverArtwork, kWhite), 50);

            desktop_.MoveTo(launcher, kGap);
            EXPECT_EQ(hovered.ForeColour(), ColorBtnNormal);
            EXPECT_FALSE(description.Visible());
            EXPECT_EQ(desktop_.PointerAt(launcher, kGap).kind, Glyph::Kind::Arrow);
            shown = desktop_.Painted(launcher);
            EXPECT_EQ(CountNear(shown, PixelsOf(hovered), kHoverText), 0);
            EXPECT_GT(CountNear(shown, PixelsOf(hovered), kNormalText), 20);
            EXPECT_EQ(CountNear(shown, kDescriptionOverArtwork, kWhite), 0);
        }
    });
}

TEST_F(OnEveryDesktop, DescriptionBreaksOnlyBetweenWords)
{
    // A word far wider than the line goes whole onto the next line, which the label's height cuts off.
    WriteFile("autorun.inf", "[Descriptions]\n1=Online Documentation,Short " + std::string(70, 'W') + "\n");
    desktop_.Run([&](ui::Window& launcher) {
        desktop_.MoveTo(launcher, CentreOf(launcher.Control(lblBtnText, 0)));
        ASSERT_TRUE(launcher.Control(lblDescr).Visible());
        const Image shown = desktop_.Painted(launcher);
        EXPECT_GT(CountNear(shown, {24, 400, 84, 410}, kWhite), 20);
        EXPECT_EQ(CountNear(shown, {84, 400, 592, 410}, kWhite), 0);
    });
}

TEST_F(OnEveryDesktop, HighlightReachesTheScreenAndLeavesIt)
{
    desktop_.Run([&](ui::Window& launcher) {
        const ui::PixelBox button = PixelsOf(launcher.Control(lblBtnText, 0));
        const auto highlighted = [&] {
            const Image shown = desktop_.OnScreen(launcher);
            return CountNear(shown, button, kHoverText) > 20 && CountNear(shown, kDescriptionOverArtwork, kWhite) > 50;
        };
        const auto plain = [&] {
            const Image shown = desktop_.OnScreen(launcher);
            return CountNear(shown, button, kHoverText) == 0 && CountNear(shown, button, kNormalText) > 20 &&
                   CountNear(shown, kDescriptionOverArtwork, kWhite) == 0;
        };

        EXPECT_TRUE(desktop_.WaitFor(plain));
        desktop_.MoveTo(launcher, CentreOf(launcher.Control(lblBtnText, 0)));
        EXPECT_TRUE(desktop_.WaitFor(highlighted));
        desktop_.MoveTo(launcher, kGap);
        EXPECT_TRUE(desktop_.WaitFor(plain));
    });
}

TEST_F(OnEveryDesktop, DocumentationOpensModallyAndTheLauncherWaits)
{
    desktop_.Run([&](ui::Window& launcher) {
        const Spot browse = CentreOf(launcher.Control(lblBtnText, 1));
        desktop_.MoveTo(launcher, CentreOf(launcher.Control(lblBtnText, 0)));
        const bool opened = OpenDocumentation(launcher, [&](ui::Window& doc) {
            const Frame frame = desktop_.FrameOf(doc);
            EXPECT_EQ(frame.title, kDocumentationTitle);
            EXPECT_EQ(frame.owner, "frmAutoRun");
            EXPECT_EQ(frame.clientWidth, 585);
            EXPECT_EQ(frame.clientHeight, 262);
            // A dialog frame with a close box only.
            EXPECT_TRUE(frame.dialog);
            EXPECT_TRUE(frame.closable);
            EXPECT_FALSE(frame.sizable || frame.minimisable || frame.maximisable);
            EXPECT_TRUE(desktop_.Blocked(launcher));
            EXPECT_TRUE(desktop_.WaitFor([&] { return desktop_.Active(doc); }));
            // Pointer input to the launcher goes nowhere meanwhile.
            desktop_.MoveTo(launcher, browse);
            EXPECT_EQ(launcher.Control(lblBtnText, 1).ForeColour(), ColorBtnNormal);
        });
        ASSERT_TRUE(opened);
        EXPECT_EQ(desktop_.Find("frmOnlineDoc"), nullptr);
        EXPECT_FALSE(desktop_.Blocked(launcher));
        // The launcher takes input again before the window goes, so it is the launcher that becomes active.
        EXPECT_TRUE(desktop_.WaitFor([&] { return desktop_.Active(launcher); }));

        desktop_.MoveTo(launcher, browse);
        EXPECT_EQ(launcher.Control(lblBtnText, 1).ForeColour(), ColorBtnHover);
    });
    EXPECT_TRUE(desktop_.Boxes().empty());
}

// What the desktop's modality does not stop, a screen reader's action or input sent straight to the
// window, must not act on the launcher either while the documentation window is shown.
TEST_F(OnEveryDesktop, NothingActsOnTheLauncherWhileTheDocumentationWindowIsShown)
{
    const std::pair<Route, const char*> routes[] = {{Route::ScreenReader, "a screen reader's action"},
                                                     {Route::Tab, "Tab"},
                                                     {Route::Enter, "Enter"},
                                                     {Route::DoubleClick, "a double-click"},
                                                     {Route::Pointer, "the pointer"}};
    desktop_.Run([&](ui::Window& launcher) {
        // Enter would open the documentation window again from the focused button.
        desktop_.Type(launcher, {Key::Tab});
        const bool opened = desktop_.IntoModal([&] { desktop_.Type(launcher, {Key::Enter}); }, "frmOnlineDoc",
                                               [&](ui::Window& doc) {
            for (const auto& [route, name] : routes) {
                SCOPED_TRACE(name);
                for (int button = 0; button <= 1; ++button) {
                    // The pointer's route moves onto the other button, which would light it.
                    const ui::Label& target = launcher.Control(lblBtnText, route == Route::Pointer ? 1 - button : button);
                    EXPECT_EQ(desktop_.Bypass(launcher, route, CentreOf(target), launcher.PositionOf(target),
                                              "frmOnlineDoc"),
                              0);
                    EXPECT_TRUE(desktop_.Opened().empty());
                    EXPECT_EQ(launcher.Control(lblBtnText, 0).ForeColour(), ColorBtnHover);
                    EXPECT_EQ(launcher.Control(lblBtnText, 1).ForeColour(), ColorBtnNormal);
                }
            }
            // The documentation window still answers.
            desktop_.Type(doc, {Key::Tab});
            EXPECT_TRUE(doc.Focus().has_value());
            desktop_.Type(doc, {Key::Escape});
        });
        ASSERT_TRUE(opened);
        EXPECT_TRUE(desktop_.WaitFor([&] { return desktop_.Find("frmOnlineDoc") == nullptr; })) << "Escape did not close it";
        // Closed, it gives the launcher back: keys move on from the button, and Enter acts again.
        desktop_.Type(launcher, {Key::Tab});
        ExpectLit(launcher, 1);
        desktop_.Type(launcher, {Key::Tab});
        EXPECT_TRUE(desktop_.IntoModal([&] { desktop_.Type(launcher, {Key::Enter}); }, "frmOnlineDoc",
                                       [](ui::Window&) {}));
    });
    EXPECT_TRUE(desktop_.Opened().empty());
    EXPECT_TRUE(desktop_.Boxes().empty());
}

TEST_F(OnEveryDesktop, FoundManualsAreBlueLinksAndTheOtherPlacesGrey)
{
    WriteCatalogue();
    InDocumentationWindow([&](ui::Window& doc) {
        // The desktop's grey for greyed text: a true grey, which no link colour comes near.
        const ui::LabelLook greyed = doc.Look(doc.Control(lblCases, 5));
        const Rgb grey = ToRgb(greyed.colour);
        ASSERT_TRUE(greyed.embossed);
        ASSERT_TRUE(grey >> 16 == (grey >> 8 & 0xFF) && (grey >> 8 & 0xFF) == (grey & 0xFF) && (grey & 0xFF) < 224);
        const std::string found[] = {"File Descriptions All Volumes", "File Descriptions Volume 1",
                                     "Software Development Utilities"};
        // Disabled text is drawn in the desktop's grey for it, whatever its colour.
        doc.Control(lblCases, 5).SetForeColour(0x000000FF);
        const Image shown = desktop_.Rendered(doc);
        EXPECT_EQ(CountNear(shown, PixelsOf(doc.Control(lblCases, 5)), kRed), 0);
        for (int place = 0; place < kCataloguePlaces; ++place) {
            SCOPED_TRACE(place);
            const ui::Label& label = doc.Control(lblCases, place);
            if (place < 3) {
                EXPECT_TRUE(label.Enabled());
                EXPECT_EQ(label.Caption(), found[place]);
                EXPECT_GT(CountNear(shown, PixelsOf(label), kLinkBlue), 20);
                EXPECT_EQ(CountNear(shown, PixelsOf(label), grey, 8), 0);
            } else {
                EXPECT_FALSE(label.Enabled());
                EXPECT_GT(CountNear(shown, PixelsOf(label), grey, 8), 20);
                EXPECT_EQ(CountNear(shown, PixelsOf(label), kLinkBlue), 0);
                // Nothing darker than that grey: the soft edges of darker text would pass the count.
                const Image part = shown.Part(PixelsOf(label));
                const auto green = [](Rgb pixel) { return static_cast<int>(pixel >> 8 & 0xFF); };
                EXPECT_NEAR(std::ranges::min(part.pixels, {}, green) >> 8 & 0xFF, green(grey), 8);
            }
        }
        EXPECT_GT(CountNear(shown, PixelsOf(doc.Control(lblCases, kHtmlFormatIndex)), kLinkBlue), 20);
        const ui::PixelBox installer = PixelsOf(doc.Control(InstAcrobat, kInstAcrobatIndex));
        EXPECT_GT(CountNear(shown, installer, kRed), 20);
        EXPECT_EQ(CountNear(shown, installer, kLinkBlue), 0);
        // Headings in the desktop's text colour.
        const ui::Label& heading = doc.Control(lblTopics, 1);
        EXPECT_GT(CountNear(shown, PixelsOf(heading), ToRgb(doc.Look(heading).colour), 8), 20);

        // The document picture at its place, unscaled.
        const Image picture = desktop_.Picture(ui::Resource::DocumentImage);
        ASSERT_GT(picture.width, 0);
        EXPECT_GT(DistinctColours(picture), 2);
        EXPECT_TRUE(shown.Part({16, 8, 16 + picture.width, 8 + picture.height}) == picture);
    });
    EXPECT_TRUE(desktop_.Boxes().empty());
}

TEST_F(OnEveryDesktop, PointerIsTheHandOnlyOverLinksThatWork)
{
    struct Case {
        ui::ControlId control;
        int index;
        bool hand;
    };
    const Case cases[] = {{lblCases, 0, true},  {lblCases, 4, false}, {lblCases, kHtmlFormatIndex, true},
                          {lblTopics, 1, false}, {InstAcrobat, kInstAcrobatIndex, true}, {lblCases, 3, false}};
    WriteCatalogue();
    InDocumentationWindow([&](ui::Window& doc) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.control.name) + " " + std::to_string(c.index));
            const Glyph pointer = desktop_.PointerAt(doc, CentreOf(doc.Control(c.control, c.index)));
            if (!c.hand) {
                EXPECT_EQ(pointer.kind, Glyph::Kind::Arrow);
                continue;
            }
            ASSERT_EQ(pointer.kind, Glyph::Kind::Drawn);
            ASSERT_EQ(pointer.width, 32);
            ASSERT_EQ(pointer.height, 32);
            EXPECT_EQ(pointer.hotSpot.x, 13);
            EXPECT_EQ(pointer.hotSpot.y, 9);
            EXPECT_EQ(pointer.shade(0, 0), Shade::Clear);   // outside the hand
            EXPECT_EQ(pointer.shade(13, 9), Shade::Black);  // the fingertip's outline
            EXPECT_EQ(pointer.shade(13, 12), Shade::White); // inside the finger
        }
    });
}

TEST_F(OnEveryDesktop, MissingInstallerIsReportedAndTheWindowCarriesOn)
{
    WriteCatalogue();
    for (const bool folder : {true, false}) {
        SCOPED_TRACE(folder ? "the installer's folder without it" : "no installer's folder");
        fs::remove_all(desktop_.Disc().Root() / "Utils");
        if (folder)
            fs::create_directories(desktop_.Disc().Root() / kInstaller.parent_path());
        const std::size_t boxes = desktop_.Boxes().size();
        const std::size_t opened = desktop_.Opened().size();
        InDocumentationWindow([&](ui::Window& doc) {
            desktop_.Click(doc, CentreOf(doc.Control(InstAcrobat, kInstAcrobatIndex)));
            ASSERT_TRUE(desktop_.WaitForBoxes(boxes + 1));
            const Box box = desktop_.Boxes().back();
            const auto [error, reason] = desktop_.NotFound(folder);
            EXPECT_EQ(box.title, "Autorun");
            EXPECT_EQ(box.text, std::to_string(error) + "--Cannot start \"" + desktop_.PathText(kInstaller) + "\": " + reason);
            EXPECT_FALSE(box.icon);
            EXPECT_TRUE(box.okOnly);
            EXPECT_EQ(box.owner, "frmOnlineDoc");

            EXPECT_EQ(desktop_.Find("frmOnlineDoc"), &doc);
            EXPECT_FALSE(desktop_.Blocked(doc));
            desktop_.Click(doc, CentreOf(doc.Control(lblCases, 0)));
            ASSERT_TRUE(desktop_.WaitForOpened(opened + 1));
            EXPECT_EQ(desktop_.Opened().back(), desktop_.PathText(Manual("VOL")));
        });
        EXPECT_EQ(desktop_.Boxes().size(), boxes + 1);
    }
}

TEST_F(OnEveryDesktop, ADiscEmptiedWhileTheWindowIsOpenIsNoFailure)
{
    WriteCatalogue();
    desktop_.Run([&](ui::Window& launcher) {
        EXPECT_TRUE(OpenDocumentation(launcher, [&](ui::Window& doc) {
            for (const auto& entry : fs::directory_iterator(desktop_.Disc().Root()))
                fs::remove_all(entry.path());
            // The request goes to the desktop unchanged; what it makes of a missing file is its own affair.
            desktop_.Click(doc, CentreOf(doc.Control(lblCases, 0)));
            if (desktop_.OpenerGetsMissingFiles()) {
                EXPECT_TRUE(desktop_.WaitForOpened(1));
            }
            EXPECT_EQ(desktop_.Find("frmOnlineDoc"), &doc);
        }));
        // Shown again from the empty disc: no manual is found, so every place keeps its design.
        EXPECT_TRUE(OpenDocumentation(launcher, [&](ui::Window& doc) {
            for (int j = 0; j < kCataloguePlaces; ++j)
                EXPECT_FALSE(doc.Control(lblCases, j).Enabled()) << j;
            EXPECT_EQ(doc.Control(lblCases, 1).Caption(), "File Descriptions Voulme 1");
            EXPECT_EQ(CountNear(desktop_.Painted(doc), PixelsOf(doc.Control(lblCases, 0)), kLinkBlue, 20), 0);
        }));
    });
    const std::vector<std::string> handedOn = {desktop_.PathText(Manual("VOL"))};
    EXPECT_EQ(desktop_.Opened(), desktop_.OpenerGetsMissingFiles() ? handedOn : std::vector<std::string>{});
    // A box the desktop shows of its own may come; none of the program's.
    for (const Box& box : desktop_.Boxes())
        EXPECT_NE(box.title, "Autorun") << box.text;
}

TEST_F(OnEveryDesktop, CaptionsStayInsideTheirLabels)
{
    WriteCatalogue();
    WriteFile("autorun.inf", std::string(test::kLauncherSettings) +
                                 "[OnlineDoc]\n"
                                 "1=VOL,Supercalifragilisticexpialidociousness && more words below\n"
                                 "2=V1,Volume 1\n"
                                 "3=UTL,Utilities\n"
                                 "4=STD,Tom && Jerry: a description long enough to need a second line\n");
    WriteFile(Manual("STD"), "%PDF-1.4\n");
    InDocumentationWindow([&](ui::Window& doc) {
        EXPECT_EQ(doc.Control(lblCases, 3).Caption(), "Tom && Jerry: a description long enough to need a second line");
        const Image shown = desktop_.Painted(doc);
        for (int place : {0, 3}) {
            SCOPED_TRACE(place);
            const ui::PixelBox box = PixelsOf(doc.Control(lblCases, place));
            EXPECT_GT(CountNear(shown, box, kLinkBlue), 20);
            // The free rows below the label, up to the next place, and the free space to its right.
            EXPECT_EQ(CountOther(shown, {box.left - 8, box.bottom, box.right + 48, box.bottom + 16}, kWhite), 0);
            EXPECT_EQ(CountOther(shown, {box.right, box.top, box.right + 56, box.bottom}, kWhite), 0);
        }
    });
}

TEST_F(OnEveryDesktop, AmpersandsUnderlineOrShowAsTheyShould)
{
    const auto width = [&](const char* text) { return desktop_.HeadingWidth(text); };
    struct Case {
        std::string caption;
        // Compared with "VELMO": the columns from the label's left edge where the drawing may differ.
        int firstColumn;
        int lastColumn;
        int minRows; // 0: no difference at all
        int maxRows;
    };
    const Case cases[] = {
        {"&VELMO", 0, width("V"), 1, 2},                     // the V underlined
        {"VEL&MO", width("VEL"), width("VELM"), 1, 2},       // the M underlined
        {"VELMO&&", width("VELMO"), width("VELMO&"), 8, 16}, // an ampersand drawn after the word
        {"&&VELMO", 0, width("&VELMO"), 8, 16},              // the word moved right by one
        {"VELMO&", 0, 0, 0, 0},                              // a lone ampersand at the end is not drawn
    };

    WriteCatalogue();
    InDocumentationWindow([&](ui::Window& doc) {
        ui::Label& heading = doc.Control(lblTopics, 1);
        const ui::PixelBox box = PixelsOf(heading);
        heading.SetCaption("VELMO");
        const Image plain = desktop_.Rendered(doc);
        for (const Case& c : cases) {
            SCOPED_TRACE(c.caption);
            heading.SetCaption(c.caption);
            const Image shown = desktop_.Rendered(doc);
            ui::PixelBox changed{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
            for (int y = 0; y < shown.height; ++y) {
                for (int x = 0; x < shown.width; ++x) {
                    if (shown.At(x, y) != plain.At(x, y))
                        changed = {std::min(changed.left, x), std::min(changed.top, y), std::max(changed.right, x + 1),
                                   std::max(changed.bottom, y + 1)};
                }
            }
            if (c.maxRows == 0) {
                EXPECT_EQ(changed.left, INT_MAX) << "drawn other than \"VELMO\"";
                continue;
            }
            ASSERT_NE(changed.left, INT_MAX) << "drawn as \"VELMO\"";
            EXPECT_GE(changed.left, box.left);
            EXPECT_GE(changed.top, box.top);
            EXPECT_LE(changed.right, box.right);
            EXPECT_LE(changed.bottom, box.bottom);
            EXPECT_GE(changed.Height(), c.minRows);
            EXPECT_LE(changed.Height(), c.maxRows);
            // One column of slack each side for antialiasing.
            EXPECT_GE(changed.left - box.left, c.firstColumn - 1);
            EXPECT_LE(changed.right - 1 - box.left, c.lastColumn + 1);
        }
    });
}

// The colour most pixels of a box have: the background its text is read against.
Rgb Background(const Image& image, const ui::PixelBox& box)
{
    std::map<Rgb, int> counts;
    for (int y = box.top; y < box.bottom; ++y) {
        for (int x = box.left; x < box.right; ++x)
            ++counts[image.At(x, y)];
    }
    return std::ranges::max_element(counts, {}, [](const auto& entry) { return entry.second; })->first;
}

// Each shown label's text is drawn in its look's colour and, in high contrast or where a desktop's
// colour meets a fixed one, reads against the background drawn behind it.
void ExpectLegible(const ui::Window& window, const Image& shown, bool highContrast)
{
    for (const ui::Label& label : window.Labels()) {
        if (!label.Visible() || label.Caption().empty())
            continue;
        SCOPED_TRACE(label.Caption());
        const ui::Colour text = window.Look(label).colour;
        const Rgb back = Background(shown, PixelsOf(label));
        EXPECT_GT(CountNear(shown, PixelsOf(label), ToRgb(text), 8), 20);
        if (highContrast || (label.Enabled() && ui::IsSystemColour(label.ForeColour()))) {
            EXPECT_GE(ui::ContrastRatio(text, FromRgb(back)), ui::kLegibleContrast);
        }
    }
}

TEST_F(OnEveryDesktop, EveryTextReadsInEveryTheme)
{
    WriteCatalogue();
    for (const test::DesktopTheme& theme : test::kDesktopThemes) {
        SCOPED_TRACE(theme.name);
        const bool high = theme.colours.highContrast;
        desktop_.Run([&](ui::Window& launcher) {
            desktop_.SetTheme(theme.colours);
            desktop_.MoveTo(launcher, CentreOf(launcher.Control(lblBtnText, 1)));
            const Image shown = desktop_.Rendered(launcher);
            KeepScreenshot(shown, std::string(theme.name) + " launcher");
            // The artwork, or in high contrast the desktop's window colour with no picture.
            EXPECT_EQ(CountOther(shown, {0, 0, 599, 110}, ToRgb(theme.colours.window)) == 0, high);
            if (high) {
                EXPECT_EQ(ToRgb(launcher.Look(launcher.Control(lblBtnText, 1)).colour), ToRgb(theme.colours.highlight));
                EXPECT_EQ(ToRgb(launcher.Look(launcher.Control(lblBtnText, 0)).colour), ToRgb(theme.colours.windowText));
                ExpectLegible(launcher, shown, high);
            }
            EXPECT_TRUE(OpenDocumentation(launcher, [&](ui::Window& doc) {
                const Image docShown = desktop_.Rendered(doc);
                KeepScreenshot(docShown, std::string(theme.name) + " docwindow");
                ExpectLegible(doc, docShown, high);
            }));
            desktop_.SetTheme(std::nullopt);
        });
    }
}

} // namespace
} // namespace autorun::conformance

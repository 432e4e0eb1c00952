// Both windows on a screen of the density the test run set (96, 144 or 192 dots per inch; see
// wine-dpi.sh): what only Windows shows at that density, in the screen's own pixels: the windows'
// places and icons, the bitmaps made for the density, the pointer at each pixel's edge, the text's height.
#include "GuiTestSupport.h"

#include "docwindow/OnlineDocDesign.h"
#include "launcher/AutoRunDesign.h"
#include "platform/win32/Dpi.h"
#include "platform/win32/Pictures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

namespace autorun::win32::test {
namespace {

RECT Scaled(const ui::Rect& r, int dpi)
{
    const ui::PixelBox box = ui::ToPixels(r, dpi);
    return {box.left, box.top, box.right, box.bottom};
}

POINT ScaledCentre(const ui::Rect& r, int dpi)
{
    const RECT box = Scaled(r, dpi);
    return {(box.left + box.right) / 2, (box.top + box.bottom) / 2};
}

SIZE BitmapSize(HBITMAP bitmap)
{
    BITMAP info{};
    GetObjectW(bitmap, sizeof info, &info);
    return {info.bmWidth, info.bmHeight};
}

int IconWidth(HICON icon)
{
    ICONINFO info{};
    if (icon == nullptr || !GetIconInfo(icon, &info))
        return 0;
    BITMAP mask{};
    GetObjectW(info.hbmMask, sizeof mask, &mask);
    DeleteObject(info.hbmMask);
    if (info.hbmColor != nullptr)
        DeleteObject(info.hbmColor);
    return mask.bmWidth;
}

POINT CentredFor(HWND window)
{
    RECT outer{};
    GetWindowRect(window, &outer);
    return {(GetSystemMetrics(SM_CXSCREEN) - (outer.right - outer.left)) / 2,
            (GetSystemMetrics(SM_CYSCREEN) - (outer.bottom - outer.top)) / 2};
}

class Density : public ::testing::Test {
protected:
    Density()
    {
        disc_.WriteInf(std::string(kLauncherSettings) + "[OnlineDoc]\n1=VOL,File Descriptions All Volumes\n"
                                                         "2=V1,Volume 1\n");
        for (const char* code : {"VOL", "V1"})
            disc_.AddManual(code);
    }

    void SetUp() override
    {
        // The run must have the density it asked for, or every check below proves nothing.
        const char* asked = std::getenv("AUTORUN_TEST_DPI");
        ASSERT_NE(asked, nullptr) << "run through wine-dpi.sh";
        dpi_ = std::atoi(asked);
        ASSERT_EQ(SystemDpi(), dpi_);
    }

    // Runs action in the documentation window, opened by a double-click at the button's scaled place.
    void InDocumentationWindow(const std::function<void(const Shown& launcher, const Shown& doc)>& action)
    {
        RunProgram(desktop_, [&](const Shown& launcher) {
            const POINT documentation = ScaledCentre(launcher.Control(lblBtnText, 0).Bounds(), dpi_);
            EXPECT_TRUE(DoubleClickIntoModal(desktop_, launcher, documentation, "frmOnlineDoc",
                                             [&](const Shown& doc) { action(launcher, doc); }));
        });
    }

    int dpi_ = 0;
    TestDisc disc_;
    DiscDesktop desktop_{disc_};
    BoxCloser boxes_;
};

TEST_F(Density, WindowsAreTheDesignsSizeCentredWithIconsOfTheirDensity)
{
    InDocumentationWindow([&](const Shown& launcher, const Shown& doc) {
        for (const Shown* shown : {&launcher, &doc}) {
            SCOPED_TRACE(shown->Model().Name());
            EXPECT_EQ(WindowDpi(shown->handle), dpi_);
            EXPECT_EQ(shown->Model().Dpi(), dpi_);
            const SIZE client = ClientSize(shown->handle);
            EXPECT_EQ(client.cx, ui::ToPixels(shown->Model().Client().width, dpi_));
            EXPECT_EQ(client.cy, ui::ToPixels(shown->Model().Client().height, dpi_));
            RECT outer{};
            GetWindowRect(shown->handle, &outer);
            const POINT centred = CentredFor(shown->handle);
            EXPECT_EQ(outer.left, centred.x);
            EXPECT_EQ(outer.top, centred.y);
            const auto big = reinterpret_cast<HICON>(SendMessageW(shown->handle, WM_GETICON, ICON_BIG, 0));
            const auto small = reinterpret_cast<HICON>(SendMessageW(shown->handle, WM_GETICON, ICON_SMALL, 0));
            EXPECT_EQ(IconWidth(big), MulDiv(32, dpi_, 96));
            EXPECT_EQ(IconWidth(small), MulDiv(16, dpi_, 96));
        }
    });
    EXPECT_TRUE(boxes_.Boxes().empty());
}

TEST_F(Density, PicturesAreDrawnAtTheDesignsSizeFromTheLargerPictureAboveStandardDensity)
{
    InDocumentationWindow([&](const Shown& launcher, const Shown& doc) {
        // The splash picture above the buttons, where no label lies.
        const Image shown = Painted(launcher.handle);
        const SIZE design = PictureSize(ui::Resource::SplashPicture);
        const HBITMAP splash = PictureAt(ui::Resource::SplashPicture, dpi_);
        const SIZE size = BitmapSize(splash);
        EXPECT_EQ(size.cx, MulDiv(design.cx, dpi_, 96));
        EXPECT_EQ(size.cy, MulDiv(design.cy, dpi_, 96));
        int top = shown.height;
        for (const ui::Label& label : launcher.Model().Labels())
            top = std::min<int>(top, Scaled(label.Bounds(), dpi_).top);
        const RECT free{0, 0, std::min<LONG>(shown.width, size.cx), top};
        const Image drawn = shown.Part(free);
        EXPECT_GT(DistinctColours(drawn), 100);
        EXPECT_TRUE(drawn == FromBitmap(splash).Part(free));
        if (dpi_ == 192) {
            EXPECT_TRUE(drawn == FromBitmap(PictureBitmap(ui::Resource::SplashPicture2x)).Part(free));
        }

        // The document picture at its scaled place and size.
        const ui::Image& image = doc.Model().Images().at(0);
        const RECT place = Scaled(image.rect, dpi_);
        const HBITMAP document = PictureAt(image.picture, dpi_);
        const SIZE documentSize = BitmapSize(document);
        EXPECT_EQ(documentSize.cx, MulDiv(PictureSize(ui::Resource::DocumentImage).cx, dpi_, 96));
        const Image documentShown =
            Painted(doc.handle).Part({place.left, place.top, place.left + documentSize.cx, place.top + documentSize.cy});
        EXPECT_GT(DistinctColours(documentShown), 2);
        EXPECT_TRUE(documentShown == FromBitmap(document));
    });
}

TEST_F(Density, PointerFindsTheLabelsExactlyWhereTheyAreDrawn)
{
    RunProgram(desktop_, [&](const Shown& launcher) {
        // Each button's edge pixels light it; the pixels just beyond them are the window's surface.
        for (int b = 0; b < 2; ++b) {
            SCOPED_TRACE("button " + std::to_string(b));
            const RECT box = Scaled(launcher.Control(lblBtnText, b).Bounds(), dpi_);
            const POINT inside[] = {{box.left, box.top}, {box.right - 1, box.bottom - 1}};
            const POINT outside[] = {{box.left - 1, box.top}, {box.right, box.bottom - 1}, {box.left, box.top - 1},
                                     {box.right - 1, box.bottom}};
            for (const POINT at : inside) {
                MouseMove(launcher.handle, at);
                EXPECT_EQ(launcher.Control(lblBtnText, b).ForeColour(), ColorBtnHover) << at.x << "," << at.y;
            }
            for (const POINT at : outside) {
                MouseMove(launcher.handle, at);
                EXPECT_EQ(launcher.Control(lblBtnText, b).ForeColour(), ColorBtnNormal) << at.x << "," << at.y;
            }
        }
        // The launcher takes no pointer while the documentation window is shown: tried before it opens.
        const POINT documentation = ScaledCentre(launcher.Control(lblBtnText, 0).Bounds(), dpi_);
        EXPECT_TRUE(DoubleClickIntoModal(desktop_, launcher, documentation, "frmOnlineDoc", [&](const Shown& doc) {
            // The hand over a working link's drawn pixels only.
            const HCURSOR hand =
                LoadCursorW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(static_cast<int>(ui::Resource::HandPointer)));
            const HCURSOR arrow = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
            const RECT link = Scaled(doc.Control(lblCases, 0).Bounds(), dpi_);
            EXPECT_EQ(CursorAt(doc.handle, {link.left, link.top}), hand);
            EXPECT_EQ(CursorAt(doc.handle, {link.right - 1, link.bottom - 1}), hand);
            EXPECT_EQ(CursorAt(doc.handle, {link.left - 1, link.top}), arrow);
            EXPECT_EQ(CursorAt(doc.handle, {link.left, link.bottom}), arrow);
            EXPECT_EQ(CursorAt(doc.handle, ScaledCentre(doc.Control(lblCases, 3).Bounds(), dpi_)), arrow);
            // The pointer the system shows is the size it shows pointers at.
            ICONINFO info{};
            ASSERT_TRUE(GetIconInfo(hand, &info));
            BITMAP mask{};
            GetObjectW(info.hbmMask, sizeof mask, &mask);
            DeleteObject(info.hbmMask);
            if (info.hbmColor != nullptr)
                DeleteObject(info.hbmColor);
            EXPECT_EQ(mask.bmWidth, GetSystemMetrics(SM_CXCURSOR));
        }));
    });
}

TEST_F(Density, TextIsDrawnAtTheDensityInsideItsLabels)
{
    disc_.WriteInf(std::string(kLauncherSettings) +
                   "[OnlineDoc]\n1=VOL,Supercalifragilisticexpialidociousness and more words below it\n"
                   "2=V1,Tom && Jerry: a description long enough to need a second line\n");
    InDocumentationWindow([&](const Shown&, const Shown& doc) {
        const Image shown = Painted(doc.handle);
        std::vector<RECT> drawnOn;
        for (const ui::Label& label : doc.Model().Labels())
            drawnOn.push_back(Scaled(label.Bounds(), dpi_));
        for (const ui::Image& image : doc.Model().Images()) {
            const RECT place = Scaled(image.rect, dpi_);
            const SIZE size = BitmapSize(PictureAt(image.picture, dpi_));
            drawnOn.push_back({place.left, place.top, place.left + size.cx, place.top + size.cy});
        }
        int stray = 0;
        for (int y = 0; y < shown.height; ++y) {
            for (int x = 0; x < shown.width; ++x) {
                const bool inside = std::any_of(drawnOn.begin(), drawnOn.end(),
                                                [&](const RECT& r) { return PtInRect(&r, POINT{x, y}) != FALSE; });
                if (!inside && shown.At(x, y) != kWhite)
                    ++stray;
            }
        }
        EXPECT_EQ(stray, 0) << "pixels drawn outside every label and picture";
        // The heading's letters are as tall as the font's size at this density: 12 points, a sixth of an inch.
        const RECT heading = Scaled(doc.Control(lblTopics, 1).Bounds(), dpi_);
        int firstRow = -1, lastRow = -1;
        for (int y = heading.top; y < heading.bottom; ++y) {
            if (CountOther(shown, {heading.left, y, heading.right, y + 1}, kWhite) == 0)
                continue;
            if (firstRow < 0)
                firstRow = y;
            lastRow = y;
        }
        ASSERT_GE(firstRow, 0);
        // Capitals and descenders of "VELMO Documentation" span about three quarters of the em.
        EXPECT_NEAR(lastRow - firstRow + 1, 0.72 * 12 * dpi_ / 72, 0.15 * 12 * dpi_ / 72);
    });
}

} // namespace
} // namespace autorun::win32::test

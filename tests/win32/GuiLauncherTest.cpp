// What only Windows can show of the launcher: its window's styles and place, the settings file's
// encodings through the system's profile calls, a monitor's density changing, and real pointer input.
#include "GuiTestSupport.h"

#include "launcher/AutoRunDesign.h"
#include "platform/win32/Pictures.h"

#include <gtest/gtest.h>

#include <string>

namespace autorun::win32::test {
namespace {

constexpr COLORREF kHoverText = RGB(0, 0, 192);

const ui::Label& Button(const Shown& launcher, int index)
{
    return launcher.Control(lblBtnText, index);
}

const ui::Label& Description(const Shown& launcher)
{
    return launcher.Control(lblDescr);
}

// Where Windows puts a window of that outer size centred on the screen.
POINT CentredFor(const RECT& outer)
{
    return {(GetSystemMetrics(SM_CXSCREEN) - (outer.right - outer.left)) / 2,
            (GetSystemMetrics(SM_CYSCREEN) - (outer.bottom - outer.top)) / 2};
}

class LauncherWindow : public ::testing::Test {
protected:
    LauncherWindow() { disc_.WriteInf(kLauncherSettings); }

    TestDisc disc_;
    DiscDesktop desktop_{disc_};
    BoxCloser boxes_;
};

// What the shared cases cannot say in every desktop's terms: the windows' styles and places.
TEST_F(LauncherWindow, WindowsAreWin32sOwnKinds)
{
    RunProgram(desktop_, [&](const Shown& launcher) {
        const HWND window = launcher.handle;
        EXPECT_TRUE(IsWindowVisible(window));
        EXPECT_FALSE(IsIconic(window));
        EXPECT_FALSE(IsZoomed(window));
        EXPECT_FALSE(GetWindowLongPtrW(window, GWL_STYLE) & (WS_CHILD | WS_POPUP));
        EXPECT_FALSE(GetWindowLongPtrW(window, GWL_EXSTYLE) & (WS_EX_DLGMODALFRAME | WS_EX_TOOLWINDOW | WS_EX_TOPMOST));
        // Double-clicks arrive only for classes that ask for them.
        EXPECT_TRUE(GetClassLongPtrW(window, GCL_STYLE) & CS_DBLCLKS);
        EXPECT_NE(GetClassLongPtrW(window, GCLP_HICONSM), 0);
        RECT outer{};
        GetWindowRect(window, &outer);
        EXPECT_EQ(outer.left, CentredFor(outer).x);
        EXPECT_EQ(outer.top, CentredFor(outer).y);

        HWND shownDoc = nullptr;
        const POINT documentation = PixelCentre(Button(launcher, 0).Bounds());
        EXPECT_TRUE(DoubleClickIntoModal(desktop_, launcher, documentation, "frmOnlineDoc", [&](const Shown& doc) {
            shownDoc = doc.handle;
            RECT docOuter{};
            GetWindowRect(doc.handle, &docOuter);
            EXPECT_EQ(docOuter.left, CentredFor(docOuter).x);
            EXPECT_EQ(docOuter.top, CentredFor(docOuter).y);
        }));
        EXPECT_FALSE(IsWindow(shownDoc));
    });
    EXPECT_TRUE(boxes_.Boxes().empty());
}

TEST_F(LauncherWindow, TitleAndButtonTextComeFromTheSettingsFileInItsEncoding)
{
    struct Case {
        const char* encoding;
        std::string bytes;
    };
    const std::string windows1252 = "[App Info]\r\n1=VELMO Kit f\xFCr \xC4rzte\r\n"
                                    "[Descriptions]\r\n1=Handb\xFC" "cher,Alle Handb\xFC" "cher lesen\r\n";
    const std::string utf8 = "[App Info]\r\n1=VELMO Kit f\xC3\xBCr \xC3\x84rzte\r\n"
                             "[Descriptions]\r\n1=Handb\xC3\xBC" "cher,Alle Handb\xC3\xBC" "cher lesen\r\n";
    std::string utf16 = "\xFF\xFE";
    for (unsigned char c : windows1252) {
        utf16 += static_cast<char>(c);
        utf16 += '\0';
    }
    const Case cases[] = {{"Windows-1252", windows1252}, {"UTF-8 with BOM", "\xEF\xBB\xBF" + utf8}, {"UTF-16 with BOM", utf16}};

    for (const Case& c : cases) {
        SCOPED_TRACE(c.encoding);
        disc_.WriteInf(c.bytes);
        RunProgram(desktop_, [&](const Shown& launcher) {
            EXPECT_EQ(WindowText(launcher.handle), "VELMO Kit f\xC3\xBCr \xC3\x84rzte");
            EXPECT_EQ(Button(launcher, 0).Caption(), "Handb\xC3\xBC" "cher");
            MouseMove(launcher.handle, PixelCentre(Button(launcher, 0).Bounds()));
            EXPECT_EQ(Description(launcher).Caption(), "Alle Handb\xC3\xBC" "cher lesen");
        });
    }
}

TEST_F(LauncherWindow, MovedToADenserMonitorItTakesTheSuggestedPlaceAndDrawsAtItsDensity)
{
    RunProgram(desktop_, [&](const Shown& launcher) {
        const HWND window = launcher.handle;
        ASSERT_EQ(launcher.Model().Dpi(), 96);
        constexpr int kDense = 192;
        const RECT suggested{40, 30, 40 + ui::ToPixels(launcher.Model().Client().width, kDense) + 16,
                             30 + ui::ToPixels(launcher.Model().Client().height, kDense) + 48};
        SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(kDense, kDense), reinterpret_cast<LPARAM>(&suggested));

        RECT outer{};
        GetWindowRect(window, &outer);
        EXPECT_TRUE(EqualRect(&outer, &suggested)) << outer.left << "," << outer.top << " " << outer.right << ","
                                                   << outer.bottom;
        EXPECT_EQ(launcher.Model().Dpi(), kDense);
        // The larger picture, pixel for pixel, above the buttons now twice as far down.
        const ui::PixelBox button = ui::ToPixels(Button(launcher, 0).Bounds(), kDense);
        const RECT above{0, 0, 599 * 2, button.top};
        const Image shown = Painted(window);
        EXPECT_TRUE(shown.Part(above) == FromBitmap(PictureBitmap(ui::Resource::SplashPicture2x)).Part(above));
        // The pointer is read at the new density: the button's place there lights it, and its letters
        // are drawn there at twice the height.
        const POINT centre{(button.left + button.right) / 2, (button.top + button.bottom) / 2};
        MouseMove(window, centre);
        EXPECT_EQ(Button(launcher, 0).ForeColour(), ColorBtnHover);
        const Image lit = Painted(window);
        const RECT box{button.left, button.top, button.right, button.bottom};
        EXPECT_GT(CountNear(lit, box, kHoverText), 80);
        int rows = 0;
        for (LONG y = box.top; y < box.bottom; ++y)
            rows += CountNear(lit, {box.left, y, box.right, y + 1}, kHoverText) > 0 ? 1 : 0;
        EXPECT_GT(rows, 14); // 12-point capitals stand about 11 pixels tall at 96 dots per inch
        const auto icon = reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, ICON_BIG, 0));
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP mask{};
        GetObjectW(info.hbmMask, sizeof mask, &mask);
        DeleteObject(info.hbmMask);
        if (info.hbmColor != nullptr)
            DeleteObject(info.hbmColor);
        EXPECT_EQ(mask.bmWidth, 64);
    });
}

TEST_F(LauncherWindow, RealPointerHighlightsAndItsDoubleClickOpensTheDocumentation)
{
    RunProgram(desktop_, [&](const Shown& launcher) {
        POINT documentation = PixelCentre(Button(launcher, 0).Bounds());
        ClientToScreen(launcher.handle, &documentation);
        SetCursorPos(documentation.x, documentation.y);
        EXPECT_TRUE(PumpUntil([&] { return Button(launcher, 0).ForeColour() == ColorBtnHover; }));

        // The system turns the second press into a double-click for the window's class.
        WhenShown doc(desktop_, "frmOnlineDoc", [](const Shown&) {});
        INPUT presses[4] = {};
        for (int i = 0; i < 4; ++i) {
            presses[i].type = INPUT_MOUSE;
            presses[i].mi.dwFlags = i % 2 == 0 ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
        }
        ASSERT_EQ(SendInput(4, presses, sizeof(INPUT)), 4U);
        EXPECT_TRUE(PumpUntil([&] { return doc.Ran(); }));
        EXPECT_TRUE(PumpUntil([&] { return !desktop_.Find("frmOnlineDoc") && IsWindowEnabled(launcher.handle); }));
    });
    EXPECT_TRUE(boxes_.Boxes().empty());
}

} // namespace
} // namespace autorun::win32::test

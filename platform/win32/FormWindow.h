// The Win32 window that draws one window of a Form and hands it every pointer event, in twips, and
// the keys the form answers. It decides nothing: what changes, and when, is the Form's business.
#pragma once

#include "ui/Form.h"

#include <windows.h>

#include <optional>
#include <utility>
#include <vector>

namespace autorun::win32 {

class FormAccessible;

// Where each of the theme's colours comes from among the system's colours.
struct ThemeElement {
    int element; // COLOR_...
    ui::Colour ui::DesktopColours::*colour;
};
inline constexpr ThemeElement kThemeElements[] = {
    {COLOR_BTNTEXT, &ui::DesktopColours::text},          {COLOR_BTNHIGHLIGHT, &ui::DesktopColours::light},
    {COLOR_BTNSHADOW, &ui::DesktopColours::shadow},      {COLOR_WINDOW, &ui::DesktopColours::window},
    {COLOR_WINDOWTEXT, &ui::DesktopColours::windowText}, {COLOR_HOTLIGHT, &ui::DesktopColours::link},
    {COLOR_GRAYTEXT, &ui::DesktopColours::greyText},     {COLOR_HIGHLIGHT, &ui::DesktopColours::highlight},
};

// The system's colours, and whether high contrast is on.
ui::DesktopColours ThemeColours();
// Replaces the system's answer on high contrast (none: ask it again). Wine cannot switch it on, so
// its tests feed the reading here, then tell the windows the settings changed.
void OverrideHighContrast(std::optional<bool> on);

class FormWindow {
public:
    // Posted to the window to do a label's default action (wParam: its position in Labels()).
    static constexpr UINT kDefaultActionMessage = WM_APP + 1;

    // Creates the window, hidden, owned by owner (null for a top-level window of its own).
    FormWindow(Form& form, HWND owner);
    ~FormWindow();
    FormWindow(const FormWindow&) = delete;
    FormWindow& operator=(const FormWindow&) = delete;

    HWND Handle() const { return handle_; }
    Form& Model() const { return form_; }

    void Show();
    // Applies what the logic changed: repaints labels, moves or retitles the window, or marks it
    // for closing.
    void Sync();
    // Set once the user (or anyone) asked the window to close; the window stays until destroyed.
    bool CloseRequested() const { return closeRequested_; }

    // Where the window draws the label, in client pixels.
    RECT LabelPixels(const ui::Label& label) const;
    // The model's point for the pointer at a client pixel.
    ui::Point ClientTwips(POINT pixel) const;

    // The window styles for a frame, and the outer size a client area gets with them, in pixels.
    static std::pair<DWORD, DWORD> Styles(ui::Frame frame);
    static SIZE OuterPixels(const ui::Window& window, int dpi);

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

    void Paint();
    void DrawLabel(HDC dc, const ui::Label& label);
    HFONT FontFor(const ui::Font& font);
    void Dispatch(void (Form::*handler)(ui::Point, MouseButton), MouseButton button, WPARAM wParam, LPARAM lParam);
    void DropAccessible();
    ui::Point ModelPoint(LPARAM lParam) const;
    // Each density's pictures, icons and fonts, made before the window draws at it.
    void LoadPictures();
    void SetIcons();
    void DropFonts();
    // Dots per inch the window draws at and the pointer reports in: the model's, which this window sets.
    int Dpi() const { return form_.Window().Dpi(); }

    Form& form_;
    HWND handle_ = nullptr;
    bool closeRequested_ = false;
    std::vector<std::pair<ui::Font, HFONT>> fonts_;
    // Made when a screen reader first asks; disconnected when the window goes.
    FormAccessible* accessible_ = nullptr;
};

} // namespace autorun::win32

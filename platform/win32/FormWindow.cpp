#include "platform/win32/FormWindow.h"

#include "platform/win32/Accessible.h"
#include "platform/win32/Dpi.h"
#include "platform/win32/Pictures.h"
#include "platform/win32/WideText.h"
#include "ui/Caption.h"

#include <windowsx.h>

#include <cmath>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace autorun::win32 {
namespace {

constexpr wchar_t kClassName[] = L"AutorunForm";

RECT PixelRect(const ui::Rect& r, int dpi)
{
    const ui::PixelBox box = ui::ToPixels(r, dpi);
    return {box.left, box.top, box.right, box.bottom};
}

// The keys the windows answer, as the form names them.
std::optional<Key> KeyFor(WPARAM virtualKey)
{
    const std::pair<WPARAM, Key> keys[] = {{VK_TAB, Key::Tab},     {VK_LEFT, Key::Left},     {VK_RIGHT, Key::Right},
                                           {VK_UP, Key::Up},       {VK_DOWN, Key::Down},     {VK_RETURN, Key::Enter},
                                           {VK_SPACE, Key::Space}, {VK_ESCAPE, Key::Escape}};
    for (const auto& [known, key] : keys) {
        if (known == virtualKey)
            return key;
    }
    return std::nullopt;
}

// The pointer's button messages, as the form takes them.
struct ButtonMessage {
    UINT message;
    void (Form::*handler)(ui::Point, MouseButton);
    MouseButton button;
};
const ButtonMessage kButtonMessages[] = {
    {WM_LBUTTONDOWN, &Form::MouseDown, MouseButton::Left},     {WM_RBUTTONDOWN, &Form::MouseDown, MouseButton::Right},
    {WM_MBUTTONDOWN, &Form::MouseDown, MouseButton::Middle},   {WM_LBUTTONUP, &Form::MouseUp, MouseButton::Left},
    {WM_RBUTTONUP, &Form::MouseUp, MouseButton::Right},        {WM_MBUTTONUP, &Form::MouseUp, MouseButton::Middle},
    {WM_LBUTTONDBLCLK, &Form::DoubleClick, MouseButton::Left}, {WM_RBUTTONDBLCLK, &Form::DoubleClick, MouseButton::Right},
    {WM_MBUTTONDBLCLK, &Form::DoubleClick, MouseButton::Middle}};

// The caption as the caption rules read it, spelt for DrawText's own "&" handling: "&" before each
// underlined character, and every "&" that is drawn doubled.
// A dotted frame just inside r in a colour: every other pixel from its corner, as the system's focus
// rectangle dots it.
void DottedFrame(HDC dc, const RECT& r, COLORREF colour)
{
    const auto dot = [&](int x, int y) {
        if ((x - r.left + y - r.top) % 2 == 0)
            SetPixelV(dc, x, y, colour);
    };
    for (int x = r.left; x < r.right; ++x) {
        dot(x, r.top);
        dot(x, r.bottom - 1);
    }
    for (int y = r.top + 1; y < r.bottom - 1; ++y) {
        dot(r.left, y);
        dot(r.right - 1, y);
    }
}

std::wstring PrefixedCaption(std::string_view caption)
{
    const ui::CaptionText parsed = ui::ParseCaption(caption);
    std::string spelt;
    for (std::size_t i = 0, next = 0; i < parsed.text.size(); ++i) {
        if (next < parsed.underlined.size() && parsed.underlined[next].offset == i) {
            spelt += '&';
            ++next;
        }
        spelt.append(parsed.text[i] == '&' ? 2 : 1, parsed.text[i]);
    }
    return Wide(spelt);
}

void RegisterFormClass()
{
    static const bool registered = [] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        // Double-clicks arrive only for classes that ask for them.
        windowClass.style = CS_DBLCLKS;
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hIcon = ProgramIcon(false, SystemDpi());
        windowClass.hIconSm = ProgramIcon(true, SystemDpi());
        windowClass.lpszClassName = kClassName;
        return RegisterClassExW(&windowClass) != 0;
    }();
    (void)registered;
}

} // namespace

std::pair<DWORD, DWORD> FormWindow::Styles(ui::Frame frame)
{
    // No sizing border and no minimise or maximise box: the window keeps its designed size.
    switch (frame) {
    case ui::Frame::FixedSingle:
        return {WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, 0};
    case ui::Frame::FixedDialog:
        return {WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_DLGFRAME, WS_EX_DLGMODALFRAME};
    }
    return {WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, 0};
}

SIZE FormWindow::OuterPixels(const ui::Window& window, int dpi)
{
    const auto [style, exStyle] = Styles(window.FrameStyle());
    RECT r{0, 0, ui::ToPixels(window.Client().width, dpi), ui::ToPixels(window.Client().height, dpi)};
    AdjustForFrame(r, style, exStyle, dpi);
    return {r.right - r.left, r.bottom - r.top};
}

FormWindow::FormWindow(Form& form, HWND owner) : form_(form)
{
    RegisterFormClass();
    ui::Window& window = form.Window();
    window.SetDpi(SystemDpi());
    window.SetColours(ThemeColours());
    const auto [style, exStyle] = Styles(window.FrameStyle());
    // Created at the density the logic placed it by; a window on a monitor of another density then
    // takes that monitor's.
    const SIZE outer = OuterPixels(window, Dpi());
    LoadPictures();

    const std::string& title = window.Title();
    handle_ = CreateWindowExW(exStyle, kClassName, Wide(title).c_str(), style, ui::ToPixels(window.Position().x, Dpi()),
                              ui::ToPixels(window.Position().y, Dpi()), outer.cx, outer.cy, owner, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
    if (handle_ == nullptr)
        throw Failure(static_cast<long>(GetLastError()),
                      "Cannot create the window \"" + title + "\": " + SystemMessage(GetLastError()));
    SetWindowLongPtrW(handle_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(handle_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FormWindow::Procedure));
    if (const int shown = WindowDpi(handle_); shown != Dpi()) {
        const SIZE resized = OuterPixels(window, shown);
        SetWindowPos(handle_, nullptr, 0, 0, resized.cx, resized.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        window.SetDpi(shown);
        LoadPictures();
    }
    SetIcons();

    // Everything so far is drawn from scratch.
    window.TakeChanges();
}

void FormWindow::LoadPictures()
{
    // Decoded now, before the window maps or repaints, so that painting only draws.
    const ui::Window& window = form_.Window();
    PictureAt(window.Picture(), Dpi());
    for (const ui::Image& image : window.Images())
        PictureAt(image.picture, Dpi());
}

void FormWindow::SetIcons()
{
    SendMessageW(handle_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(ProgramIcon(false, Dpi())));
    SendMessageW(handle_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(ProgramIcon(true, Dpi())));
}

void FormWindow::DropFonts()
{
    for (const auto& [font, handle] : fonts_)
        DeleteObject(handle);
    fonts_.clear();
}

FormWindow::~FormWindow()
{
    DropAccessible();
    if (handle_ != nullptr) {
        SetWindowLongPtrW(handle_, GWLP_USERDATA, 0);
        DestroyWindow(handle_);
    }
    DropFonts();
}

void FormWindow::DropAccessible()
{
    // Clients may still hold the object: it answers them that it is gone, and their references go.
    if (accessible_ == nullptr)
        return;
    accessible_->Disconnect();
    CoDisconnectObject(static_cast<IAccessible*>(accessible_), 0);
    std::exchange(accessible_, nullptr)->Release();
}

RECT FormWindow::LabelPixels(const ui::Label& label) const
{
    return PixelRect(label.Bounds(), Dpi());
}

ui::Point FormWindow::ClientTwips(POINT pixel) const
{
    return ui::PointerTwips(pixel.x, pixel.y, Dpi());
}

ui::Point FormWindow::ModelPoint(LPARAM lParam) const
{
    return ClientTwips({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
}

void FormWindow::Show()
{
    ShowWindow(handle_, SW_SHOWNORMAL);
    UpdateWindow(handle_);
}

void FormWindow::Sync()
{
    ui::Window& window = form_.Window();
    const ui::WindowChanges changes = window.TakeChanges();
    if (changes.density) {
        // Fonts, pictures and icons of the new density; every pixel moves.
        DropFonts();
        LoadPictures();
        SetIcons();
        InvalidateRect(handle_, nullptr, FALSE);
    }
    if (changes.colours)
        InvalidateRect(handle_, nullptr, FALSE);
    for (const ui::LabelChange& change : changes.labels) {
        const RECT r = LabelPixels(window.Labels()[change.label]);
        InvalidateRect(handle_, &r, FALSE);
    }
    if (changes.title)
        SetWindowTextW(handle_, Wide(window.Title()).c_str());
    if (changes.position)
        SetWindowPos(handle_, nullptr, ui::ToPixels(window.Position().x, SystemDpi()),
                     ui::ToPixels(window.Position().y, SystemDpi()), 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    // Each as its event of the client object, whose child label + 1 the label is.
    for (const ui::Announcement& told : window.Announcements(changes)) {
        using Kind = ui::Announcement::Kind;
        const DWORD event = told.kind == Kind::Focus  ? EVENT_OBJECT_FOCUS
                            : told.kind == Kind::Show ? EVENT_OBJECT_SHOW
                            : told.kind == Kind::Hide ? EVENT_OBJECT_HIDE
                            : told.kind == Kind::Name ? EVENT_OBJECT_NAMECHANGE
                                                      : EVENT_OBJECT_STATECHANGE;
        NotifyWinEvent(event, handle_, OBJID_CLIENT, told.label ? static_cast<LONG>(*told.label) + 1 : CHILDID_SELF);
    }
    if (changes.close) {
        closeRequested_ = true;
        PostMessageW(handle_, WM_NULL, 0, 0);
    }
}

LRESULT CALLBACK FormWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<FormWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr)
        return DefWindowProcW(window, message, wParam, lParam);
    return self->OnMessage(message, wParam, lParam);
}

LRESULT FormWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    for (const auto& [known, handler, button] : kButtonMessages) {
        if (known == message) {
            Dispatch(handler, button, wParam, lParam);
            return 0;
        }
    }
    switch (message) {
    case WM_ERASEBKGND:
        return 1; // the paint covers every pixel
    case WM_PAINT:
        Paint();
        return 0;
    case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT) {
            POINT p{};
            GetCursorPos(&p);
            ScreenToClient(handle_, &p);
            SetCursor(PointerCursor(form_.PointerAt(ClientTwips(p))));
            return TRUE;
        }
        break;
    case WM_MOUSEMOVE:
        form_.MouseMove(ModelPoint(lParam), (wParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) != 0);
        Sync();
        return 0;
    case WM_KEYDOWN:
        // A plain top-level window gets Tab as a key: no dialog manager takes it first.
        if (const std::optional<Key> key = KeyFor(wParam)) {
            const Modifiers modifiers{.shift = GetKeyState(VK_SHIFT) < 0,
                                      .control = GetKeyState(VK_CONTROL) < 0,
                                      .alt = GetKeyState(VK_MENU) < 0,
                                      .meta = GetKeyState(VK_LWIN) < 0 || GetKeyState(VK_RWIN) < 0};
            const bool used = form_.KeyDown(*key, modifiers);
            // Enter may have run a modal window, during which this one may have gone.
            if (handle_ == nullptr)
                return 0;
            Sync();
            if (used)
                return 0;
        }
        break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        if (form_.Loaded()) {
            form_.Window().SetKeyboard(message == WM_SETFOCUS);
            Sync();
        }
        break;
    case WM_SHOWWINDOW:
        if (form_.Loaded())
            form_.Window().SetShown(wParam != FALSE);
        break;
    case WM_GETOBJECT:
        // Wine widens the object id without its sign on 64-bit: compare its low 32 bits.
        if (static_cast<LONG>(lParam) == OBJID_CLIENT) {
            if (accessible_ == nullptr)
                accessible_ = new FormAccessible(*this);
            if (const LRESULT result = accessible_->Result(wParam); result != 0)
                return result;
        }
        break;
    case WM_SETTINGCHANGE:
    case WM_SYSCOLORCHANGE:
        // High contrast switched, or the theme's colours changed: redrawn at once.
        form_.Window().SetColours(ThemeColours());
        Sync();
        break;
    case WM_DPICHANGED: {
        // Moved to a monitor of another density: the system suggests where the window goes and how large.
        const auto* suggested = reinterpret_cast<const RECT*>(lParam);
        form_.Window().SetDpi(LOWORD(wParam));
        SetWindowPos(handle_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
        Sync();
        return 0;
    }
    case kDefaultActionMessage:
        form_.DoDefaultAction(static_cast<std::size_t>(wParam));
        if (handle_ != nullptr)
            Sync();
        return 0;
    case WM_CLOSE:
        // Whoever runs the window's loop destroys it; the null message wakes that loop
        // when the request came from outside it.
        closeRequested_ = true;
        PostMessageW(handle_, WM_NULL, 0, 0);
        return 0;
    case WM_NCDESTROY: {
        // Destroyed from outside, with its owner: nothing may reach this object any more.
        const HWND gone = std::exchange(handle_, nullptr);
        SetWindowLongPtrW(gone, GWLP_USERDATA, 0);
        DropAccessible();
        closeRequested_ = true;
        return DefWindowProcW(gone, message, wParam, lParam);
    }
    default:
        break;
    }
    return DefWindowProcW(handle_, message, wParam, lParam);
}

void FormWindow::Dispatch(void (Form::*handler)(ui::Point, MouseButton), MouseButton button, WPARAM wParam,
                          LPARAM lParam)
{
    // Like a windowless control, the label pressed keeps the pointer until the last button is let go.
    if (handler == &Form::MouseUp) {
        if ((wParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) == 0 && GetCapture() == handle_)
            ReleaseCapture();
    } else {
        SetCapture(handle_);
    }
    (form_.*handler)(ModelPoint(lParam), button);
    // The handler may have run a modal window, during which this one may have gone.
    if (handle_ != nullptr)
        Sync();
}

void FormWindow::Paint()
{
    PAINTSTRUCT paint;
    const HDC screen = BeginPaint(handle_, &paint);
    RECT client{};
    GetClientRect(handle_, &client);
    // Drawn off screen and put up at once, so labels never flicker over the picture.
    const HDC dc = CreateCompatibleDC(screen);
    const HBITMAP buffer = CreateCompatibleBitmap(screen, client.right, client.bottom);
    const HGDIOBJ oldBuffer = SelectObject(dc, buffer);

    const ui::Window& window = form_.Window();
    const ui::Backdrop backdrop = window.Backdrop();
    const HBRUSH back = CreateSolidBrush(backdrop.colour);
    FillRect(dc, &client, back);
    DeleteObject(back);

    const HDC pictures = CreateCompatibleDC(screen);
    auto blit = [&](ui::Resource picture, int x, int y) {
        const HBITMAP bitmap = PictureAt(picture, Dpi());
        BITMAP size{};
        if (bitmap == nullptr || GetObjectW(bitmap, sizeof size, &size) == 0)
            return;
        const HGDIOBJ old = SelectObject(pictures, bitmap);
        BitBlt(dc, x, y, size.bmWidth, size.bmHeight, pictures, 0, 0, SRCCOPY);
        SelectObject(pictures, old);
    };
    if (backdrop.picture)
        blit(window.Picture(), 0, 0);
    for (const ui::Image& image : window.Images()) {
        const RECT r = PixelRect(image.rect, Dpi());
        blit(image.picture, r.left, r.top);
    }
    DeleteDC(pictures);

    SetBkMode(dc, TRANSPARENT);
    for (const ui::Label& label : window.Labels()) {
        if (label.Visible())
            DrawLabel(dc, label);
    }

    BitBlt(screen, paint.rcPaint.left, paint.rcPaint.top, paint.rcPaint.right - paint.rcPaint.left,
           paint.rcPaint.bottom - paint.rcPaint.top, dc, paint.rcPaint.left, paint.rcPaint.top, SRCCOPY);
    SelectObject(dc, oldBuffer);
    DeleteObject(buffer);
    DeleteDC(dc);
    EndPaint(handle_, &paint);
}

void FormWindow::DrawLabel(HDC dc, const ui::Label& label)
{
    const RECT box = LabelPixels(label);
    const std::wstring caption = PrefixedCaption(label.Caption());
    const int length = static_cast<int>(caption.size());
    const UINT format = DT_LEFT | DT_TOP | DT_WORDBREAK;
    const HGDIOBJ oldFont = SelectObject(dc, FontFor(label.TextFont()));
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, box.left, box.top, box.right, box.bottom);
    const ui::LabelLook look = form_.Window().Look(label);
    // The caption in a colour, moved down and right by offset pixels.
    const auto draw = [&](COLORREF colour, int offset) {
        RECT r = box;
        OffsetRect(&r, offset, offset);
        SetTextColor(dc, colour);
        DrawTextW(dc, caption.c_str(), length, &r, format);
    };
    if (look.embossed)
        draw(*look.embossed, 1);
    draw(look.colour, 0);
    if (look.focusFrame) {
        RECT text = box;
        DrawTextW(dc, caption.c_str(), length, &text, format | DT_CALCRECT);
        IntersectRect(&text, &text, &box);
        DottedFrame(dc, text, *look.focusFrame);
    }
    RestoreDC(dc, saved);
    SelectObject(dc, oldFont);
}

HFONT FormWindow::FontFor(const ui::Font& font)
{
    for (const auto& [known, handle] : fonts_) {
        if (known == font)
            return handle;
    }
    LOGFONTW wanted{};
    // Character height in pixels at the window's density.
    wanted.lfHeight = -static_cast<LONG>(ui::FontPixels(font, Dpi()));
    wanted.lfWeight = font.weight;
    wanted.lfItalic = font.italic ? TRUE : FALSE;
    wanted.lfUnderline = font.underline ? TRUE : FALSE;
    wanted.lfCharSet = ANSI_CHARSET;
    wanted.lfOutPrecision = OUT_DEFAULT_PRECIS;
    wanted.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    wanted.lfQuality = DEFAULT_QUALITY;
    wanted.lfPitchAndFamily = DEFAULT_PITCH | FF_SWISS;
    const std::wstring face = Wide(font.name);
    face.copy(wanted.lfFaceName, LF_FACESIZE - 1);
    const HFONT handle = CreateFontIndirectW(&wanted);
    fonts_.emplace_back(font, handle);
    return handle;
}

namespace {
std::optional<bool> highContrastOverride;
} // namespace

void OverrideHighContrast(std::optional<bool> on)
{
    highContrastOverride = on;
}

ui::DesktopColours ThemeColours()
{
    HIGHCONTRASTW contrast{sizeof contrast};
    ui::DesktopColours colours;
    colours.highContrast = highContrastOverride.value_or(
        SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) != FALSE &&
        (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0);
    for (const ThemeElement& element : kThemeElements)
        colours.*element.colour = GetSysColor(element.element);
    return colours;
}

} // namespace autorun::win32

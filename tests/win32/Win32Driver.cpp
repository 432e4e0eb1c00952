// The shared window cases on Windows: the whole program from a disc of its own, real window
// messages, the pixels the windows show, MSAA from a screen reader's thread, and the shell's
// stand-in for documents.
#include "GuiTestSupport.h"

#include "platform/win32/Dpi.h"
#include "platform/win32/FormWindow.h"
#include "platform/win32/Pictures.h"
#include "platform/win32/WideText.h"
#include "tests/conformance/Conformance.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

namespace autorun::win32::test {
namespace {

using conformance::Glyph;
using conformance::Spot;

// As Windows tells every window when high contrast is switched.
BOOL CALLBACK TellContrastChanged(HWND window, LPARAM)
{
    SendMessageW(window, WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
    return TRUE;
}

conformance::Rgb ToRgb(COLORREF colour)
{
    return conformance::MakeRgb(GetRValue(colour), GetGValue(colour), GetBValue(colour));
}

conformance::Image ToImage(const Image& image)
{
    conformance::Image converted{image.width, image.height, {}};
    converted.pixels.reserve(image.pixels.size());
    for (const COLORREF pixel : image.pixels)
        converted.pixels.push_back(ToRgb(pixel));
    return converted;
}

Glyph ToGlyph(HICON icon, int size)
{
    return {Glyph::Kind::Drawn, size, size, {}, [icon, size](int x, int y) {
                switch (IconPixelAt(icon, size, x, y)) {
                case IconPixel::Clear:
                    return conformance::Shade::Clear;
                case IconPixel::White:
                    return conformance::Shade::White;
                case IconPixel::Black:
                    return conformance::Shade::Black;
                case IconPixel::Other:
                    return conformance::Shade::Other;
                }
                return conformance::Shade::Other;
            }};
}

// A point at the design's density in the screen's pixels.
POINT At(Spot at)
{
    return {MulDiv(at.x, SystemDpi(), ui::kDesignDpi), MulDiv(at.y, SystemDpi(), ui::kDesignDpi)};
}

WORD VirtualKey(Key key)
{
    switch (key) {
    case Key::Tab:
        return VK_TAB;
    case Key::Left:
        return VK_LEFT;
    case Key::Right:
        return VK_RIGHT;
    case Key::Up:
        return VK_UP;
    case Key::Down:
        return VK_DOWN;
    case Key::Enter:
        return VK_RETURN;
    case Key::Space:
        return VK_SPACE;
    case Key::Escape:
        return VK_ESCAPE;
    }
    return 0;
}

// This thread's shown top-level windows.
BOOL CALLBACK NoteShown(HWND window, LPARAM found)
{
    if (IsWindowVisible(window))
        reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
    return TRUE;
}

std::vector<HWND> ShownWindows()
{
    std::vector<HWND> found;
    EnumThreadWindows(GetCurrentThreadId(), NoteShown, reinterpret_cast<LPARAM>(&found));
    return found;
}

struct TitleSearch {
    const std::string& title;
    std::vector<HWND> found;
};

BOOL CALLBACK NoteOtherWindowTitled(HWND window, LPARAM data)
{
    auto& search = *reinterpret_cast<TitleSearch*>(data);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId() && IsWindowVisible(window) && WindowText(window) == search.title)
        search.found.push_back(window);
    return TRUE;
}

// Shown top-level windows of other processes with that title.
std::vector<HWND> OtherWindowsTitled(const std::string& title)
{
    TitleSearch search{title, {}};
    EnumWindows(NoteOtherWindowTitled, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Closes another program's window, waiting for the program to end.
void CloseAndWait(HWND window)
{
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, id);
    PostMessageW(window, WM_CLOSE, 0, 0);
    if (process != nullptr) {
        EXPECT_EQ(WaitForSingleObject(process, kWaitMs), WAIT_OBJECT_0) << "the program did not end";
        CloseHandle(process);
    }
}

// The events the system passes on for this process's windows' client areas, as a screen reader
// hooked out of context hears them.
class WinEvents {
public:
    struct Event {
        HWND window;
        DWORD kind;
        long child;
    };

    WinEvents()
    {
        events_.clear();
        hook_ = SetWinEventHook(EVENT_OBJECT_SHOW, EVENT_OBJECT_NAMECHANGE, nullptr, &Hook, GetCurrentProcessId(), 0,
                                WINEVENT_OUTOFCONTEXT);
    }
    ~WinEvents() { UnhookWinEvent(hook_); }
    WinEvents(const WinEvents&) = delete;
    WinEvents& operator=(const WinEvents&) = delete;

    bool Hooked() const { return hook_ != nullptr; }
    // The events of that window since the last call, in order.
    std::vector<Event> Take(HWND window)
    {
        std::vector<Event> taken;
        std::erase_if(events_, [&](const Event& event) {
            if (event.window != window)
                return false;
            taken.push_back(event);
            return true;
        });
        return taken;
    }

private:
    static void CALLBACK Hook(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD, DWORD)
    {
        if (object == OBJID_CLIENT)
            events_.push_back({window, event, child});
    }

    static inline std::vector<Event> events_;
    HWINEVENTHOOK hook_ = nullptr;
};

std::optional<std::size_t> LabelOf(const VARIANT& child)
{
    if (child.vt != VT_I4 || child.lVal <= 0)
        return std::nullopt;
    return static_cast<std::size_t>(child.lVal - 1);
}

class Win32Driver : public conformance::Driver {
public:
    Win32Driver() : boxes_([this](const BoxCloser::Box& box) { Note(box); }) {}

    const test::TestDisc& Disc() const override { return disc_; }
    std::string PathText(const std::filesystem::path& relative) const override { return disc_.Text(relative); }

    int Run(const std::function<void(ui::Window&)>& script) override
    {
        return RunProgram(desktop_, [&](const Shown& launcher) { script(launcher.Model()); });
    }
    bool IntoModal(const std::function<void()>& trigger, std::string_view name,
                   const std::function<void(ui::Window&)>& action) override
    {
        WhenShown modal(desktop_, std::string(name), [&](const Shown& shown) { action(shown.Model()); });
        trigger();
        return PumpUntil([&] { return modal.Ran(); });
    }
    bool DoubleClickIntoModal(const ui::Window& owner, Spot at, std::string_view name,
                              const std::function<void(ui::Window&)>& action) override
    {
        return test::DoubleClickIntoModal(desktop_, Of(owner), At(at), name,
                                          [&](const Shown& shown) { action(shown.Model()); });
    }
    ui::Window* Find(std::string_view name) override
    {
        const Shown shown = desktop_.Find(name);
        return shown && IsWindowVisible(shown.handle) ? &shown.Model() : nullptr;
    }

    conformance::Frame FrameOf(const ui::Window& window) override
    {
        const HWND handle = Handle(window);
        const LONG_PTR style = GetWindowLongPtrW(handle, GWL_STYLE);
        const SIZE client = ClientSize(handle);
        RECT outer{};
        GetWindowRect(handle, &outer);
        return {WindowText(handle),
                client.cx,
                client.cy,
                {outer.left, outer.top},
                (style & WS_THICKFRAME) != 0,
                (style & WS_MINIMIZEBOX) != 0,
                (style & WS_MAXIMIZEBOX) != 0,
                (style & WS_CAPTION) == WS_CAPTION && (style & WS_SYSMENU) != 0,
                (GetWindowLongPtrW(handle, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME) != 0,
                NameOf(GetWindow(handle, GW_OWNER))};
    }
    Glyph IconOf(const ui::Window& window) override
    {
        const auto icon = reinterpret_cast<HICON>(GetClassLongPtrW(Handle(window), GCLP_HICON));
        return icon == nullptr ? Glyph{} : ToGlyph(icon, 32);
    }
    bool Blocked(const ui::Window& window) override { return !IsWindowEnabled(Handle(window)); }
    bool Active(const ui::Window& window) override { return GetActiveWindow() == Handle(window); }

    void MoveTo(const ui::Window& window, Spot at) override { MouseMove(Handle(window), At(at)); }
    void Click(const ui::Window& window, Spot at) override { test::Click(Handle(window), At(at)); }
    void DoubleClick(const ui::Window& window, Spot at) override { test::DoubleClick(Handle(window), At(at)); }
    void Type(const ui::Window& window, std::initializer_list<Key> keys, Modifiers held) override
    {
        for (const Key key : keys)
            PressKeys(Handle(window), {{VirtualKey(key), held.shift, held.control, held.alt}});
    }
    void TypeUnused(const ui::Window& window) override { PressKeys(Handle(window), {{'A'}, {VK_F5}}); }
    bool HasKeyboard(const ui::Window& window) override { return GetFocus() == Handle(window); }
    void Leave(const ui::Window& window) override
    {
        // Out over the caption: the window hears of it, the form does not.
        const HWND handle = Handle(window);
        RECT outer{};
        GetWindowRect(handle, &outer);
        const TakenMessages moves(
            [handle](const MSG& message) { return message.hwnd == handle && message.message == WM_NCMOUSEMOVE; });
        SetCursorPos(outer.left + 40, outer.top + 5);
        EXPECT_TRUE(PumpUntil([&] { return moves.Count() > 0; })) << "the pointer did not reach the frame";
    }
    Glyph PointerAt(const ui::Window& window, Spot at) override
    {
        const HCURSOR cursor = CursorAt(Handle(window), At(at));
        if (cursor == LoadCursorW(nullptr, MAKEINTRESOURCEW(32512))) // IDC_ARROW
            return {Glyph::Kind::Arrow};
        const HCURSOR hand =
            LoadCursorW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(static_cast<int>(ui::Resource::HandPointer)));
        ICONINFO info{};
        if (cursor != hand || !GetIconInfo(cursor, &info))
            return {Glyph::Kind::Other};
        BITMAP mask{};
        GetObjectW(info.hbmMask, sizeof mask, &mask);
        DeleteObject(info.hbmMask);
        // A cursor without colours keeps its two masks one above the other.
        const int height = info.hbmColor == nullptr ? mask.bmHeight / 2 : mask.bmHeight;
        if (info.hbmColor != nullptr)
            DeleteObject(info.hbmColor);
        if (info.fIcon)
            return {Glyph::Kind::Other};
        Glyph glyph = ToGlyph(cursor, mask.bmWidth);
        glyph.height = height;
        glyph.hotSpot = {static_cast<int>(info.xHotspot), static_cast<int>(info.yHotspot)};
        return glyph;
    }

    int Bypass(const ui::Window& window, conformance::Route route, Spot at, std::size_t label,
               std::string_view opened) override
    {
        const HWND handle = Handle(window);
        // A window opened modally would run its loop inside the route: close it, and count it.
        const std::vector<HWND> before = ShownWindows();
        const Shown first = desktop_.Find(opened);
        const std::string title = first ? WindowText(first.handle) : std::string();
        int count = 0;
        Repeating closer(10, [&] {
            for (const HWND shown : ShownWindows()) {
                if (std::find(before.begin(), before.end(), shown) == before.end() && WindowText(shown) == title) {
                    ++count;
                    PostMessageW(shown, WM_CLOSE, 0, 0);
                }
            }
        });
        switch (route) {
        case conformance::Route::ScreenReader: {
            ScreenReader reader(handle);
            reader.Do([&](IAccessible& object) { object.accDoDefaultAction(ChildId(static_cast<long>(label) + 1)); });
            break;
        }
        case conformance::Route::Tab:
            PostMessageW(handle, WM_KEYDOWN, VK_TAB, 0);
            break;
        case conformance::Route::Enter:
            PostMessageW(handle, WM_KEYDOWN, VK_RETURN, 0);
            break;
        case conformance::Route::DoubleClick:
            PostMessageW(handle, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(At(at).x, At(at).y));
            break;
        case conformance::Route::Pointer:
            PostMessageW(handle, WM_MOUSEMOVE, 0, MAKELPARAM(At(at).x, At(at).y));
            break;
        }
        PumpUntil([] { return false; }, 100);
        return count;
    }

    conformance::Image Painted(const ui::Window& window) override { return ToImage(test::Painted(Handle(window))); }
    conformance::Image Rendered(const ui::Window& window) override { return ToImage(test::Rendered(Handle(window))); }
    conformance::Image OnScreen(const ui::Window& window) override { return ToImage(test::OnScreen(Handle(window))); }
    // Explorer may take a while to come up the first time.
    bool WaitFor(const std::function<bool()>& done) override { return PumpUntil(done, 3 * kWaitMs); }

    conformance::Image Picture(ui::Resource picture) override { return ToImage(FromBitmap(PictureBitmap(picture))); }
    bool Decoded(ui::Resource picture) override { return PictureLoaded(picture); }
    int Density() override { return SystemDpi(); }
    void SetTheme(const std::optional<ui::DesktopColours>& theme) override
    {
        if (!ownColours_)
            ownColours_ = win32::ThemeColours();
        const ui::DesktopColours& wanted = theme ? *theme : *ownColours_;
        std::vector<int> elements;
        std::vector<COLORREF> colours;
        for (const win32::ThemeElement& element : win32::kThemeElements) {
            elements.push_back(element.element);
            colours.push_back(wanted.*element.colour);
        }
        // Wine cannot switch high contrast on: the program's reading of it is fed by hand.
        win32::OverrideHighContrast(theme ? std::optional(theme->highContrast) : std::nullopt);
        SetSysColors(static_cast<int>(colours.size()), elements.data(), colours.data());
        EnumThreadWindows(GetCurrentThreadId(), &TellContrastChanged, 0);
        PumpUntil([] { return false; }, 50);
    }
    int HeadingWidth(std::string_view text) override
    {
        const HFONT font = CreateFontW(-16, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Arial");
        const HDC dc = CreateCompatibleDC(nullptr);
        const HGDIOBJ old = SelectObject(dc, font);
        const std::wstring wide = Wide(text);
        SIZE size{};
        GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(font);
        return size.cx;
    }

    std::vector<std::string> Opened() override
    {
        std::vector<std::string> paths;
        for (const ShellOpensWithStandIn::Call& call : shell_.Calls())
            paths.push_back(call.path);
        return paths;
    }
    // Explorer's windows, each closed once counted.
    std::size_t FoldersShown() override
    {
        for (const HWND window : OtherWindowsTitled(disc_.Root().filename().string())) {
            if (std::find(explorers_.begin(), explorers_.end(), window) == explorers_.end()) {
                explorers_.push_back(window);
                CloseAndWait(window);
            }
        }
        return explorers_.size();
    }
    bool OpenerGetsMissingFiles() const override { return false; }
    std::vector<conformance::Box> Boxes() override { return seen_; }
    std::pair<int, std::string> NotFound(bool folderThere) override
    {
        const DWORD error = folderThere ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
        return {static_cast<int>(error), SystemMessage(error)};
    }

    bool Listen() override
    {
        events_.emplace();
        return events_->Hooked();
    }
    conformance::Reading Read(const ui::Window& window, std::size_t label) override
    {
        AccessibleChild child;
        Reader(window).Do([&](IAccessible& object) { child = Describe(object, static_cast<long>(label) + 1); });
        return ToReading(child);
    }
    conformance::Reading ReadWindow(const ui::Window& window) override
    {
        AccessibleChild self;
        long count = 0;
        Reader(window).Do([&](IAccessible& object) {
            self = Describe(object, CHILDID_SELF);
            object.get_accChildCount(&count);
        });
        conformance::Reading reading = ToReading(self);
        reading.children = static_cast<std::size_t>(count);
        return reading;
    }
    ui::PixelBox Where(const ui::Window& window, std::size_t label) override
    {
        long left = 0, top = 0, width = 0, height = 0;
        Reader(window).Do([&](IAccessible& object) {
            object.accLocation(&left, &top, &width, &height, ChildId(static_cast<long>(label) + 1));
        });
        POINT corner{left, top};
        ScreenToClient(Handle(window), &corner);
        const auto design = [](long pixels) { return MulDiv(pixels, ui::kDesignDpi, SystemDpi()); };
        return {design(corner.x), design(corner.y), design(corner.x + width), design(corner.y + height)};
    }
    std::optional<std::size_t> ReaderAt(const ui::Window& window, Spot at) override
    {
        POINT screen = At(at);
        ClientToScreen(Handle(window), &screen);
        VARIANT hit;
        VariantInit(&hit);
        Reader(window).Do([&](IAccessible& object) { object.accHitTest(screen.x, screen.y, &hit); });
        return LabelOf(hit);
    }
    std::optional<std::size_t> ReaderFocus(const ui::Window& window) override
    {
        VARIANT focus;
        VariantInit(&focus);
        Reader(window).Do([&](IAccessible& object) { object.get_accFocus(&focus); });
        return LabelOf(focus);
    }
    bool Press(const ui::Window& window, std::size_t label) override
    {
        HRESULT pressed = E_FAIL;
        Reader(window).Do(
            [&](IAccessible& object) { pressed = object.accDoDefaultAction(ChildId(static_cast<long>(label) + 1)); });
        return SUCCEEDED(pressed);
    }
    std::vector<conformance::Announcement> Announced(const ui::Window& window) override
    {
        const std::map<DWORD, std::string> kinds = {{EVENT_OBJECT_FOCUS, "focus"},
                                                    {EVENT_OBJECT_SHOW, "show"},
                                                    {EVENT_OBJECT_HIDE, "hide"},
                                                    {EVENT_OBJECT_NAMECHANGE, "name"},
                                                    {EVENT_OBJECT_STATECHANGE, "state"}};
        std::vector<conformance::Announcement> told;
        if (!events_)
            return told;
        // Out-of-context events arrive as this thread runs its messages.
        PumpUntil([] { return false; }, 50);
        for (const WinEvents::Event& event : events_->Take(Handle(window))) {
            const auto kind = kinds.find(event.kind);
            if (event.child > 0 && kind != kinds.end())
                told.push_back({kind->second, static_cast<std::size_t>(event.child - 1)});
        }
        return told;
    }

private:
    // MSAA's roles and states in the shared words.
    static conformance::Reading ToReading(const AccessibleChild& child)
    {
        conformance::Reading reading;
        switch (child.role) {
        case ROLE_SYSTEM_PUSHBUTTON:
            reading.role = "button";
            break;
        case ROLE_SYSTEM_LINK:
            reading.role = "link";
            break;
        case ROLE_SYSTEM_STATICTEXT:
            reading.role = "text";
            break;
        default:
            reading.role = "role " + std::to_string(child.role);
            break;
        }
        reading.name = child.name;
        reading.description = child.description;
        const std::pair<long, const char*> states[] = {
            {STATE_SYSTEM_FOCUSABLE, "focusable"}, {STATE_SYSTEM_FOCUSED, "focused"},
            {STATE_SYSTEM_INVISIBLE, "invisible"}, {STATE_SYSTEM_UNAVAILABLE, "unavailable"},
            {STATE_SYSTEM_READONLY, "read-only"},  {STATE_SYSTEM_LINKED, "linked"}};
        for (const auto& [flag, name] : states) {
            if ((child.state & flag) != 0)
                reading.states.insert(name);
        }
        reading.acts = !child.action.empty();
        return reading;
    }

    // One reader a window, as a screen reader keeps the objects it has been given.
    ScreenReader& Reader(const ui::Window& window)
    {
        std::erase_if(readers_, [](const auto& entry) { return !IsWindow(entry.first); });
        std::unique_ptr<ScreenReader>& reader = readers_[Handle(window)];
        if (reader == nullptr) {
            reader = std::make_unique<ScreenReader>(Handle(window));
            EXPECT_TRUE(reader->Connected()) << "no accessible object for " << window.Name();
        }
        return *reader;
    }

    Shown Of(const ui::Window& window) const
    {
        const Shown shown = desktop_.Find(window.Name());
        if (!shown || &shown.Model() != &window)
            throw std::logic_error("the window " + window.Name() + " is not shown");
        return shown;
    }
    HWND Handle(const ui::Window& window) const { return Of(window).handle; }

    // The name of the program's window with that handle, or empty.
    std::string NameOf(HWND handle) const
    {
        for (const char* name : {"frmAutoRun", "frmOnlineDoc"}) {
            const Shown shown = desktop_.Find(name);
            if (shown && shown.handle == handle)
                return name;
        }
        return "";
    }

    // Boxes are read as they show: their owners may be gone by the time a case looks.
    void Note(const BoxCloser::Box& box)
    {
        seen_.push_back({box.title, box.text, box.icon, box.buttons == std::vector<int>{IDOK}, NameOf(box.owner)});
    }

    TestDisc disc_;
    DiscDesktop desktop_{disc_};
    ShellOpensWithStandIn shell_{AUTORUN_OPEN_STAND_IN};
    std::vector<conformance::Box> seen_;
    BoxCloser boxes_;
    std::vector<HWND> explorers_;
    std::optional<WinEvents> events_;
    std::map<HWND, std::unique_ptr<ScreenReader>> readers_;
    std::optional<ui::DesktopColours> ownColours_; // the desktop's own, before a theme was set
};

} // namespace
} // namespace autorun::win32::test

namespace autorun::conformance {

std::unique_ptr<Driver> MakeDriver()
{
    return std::make_unique<win32::test::Win32Driver>();
}

} // namespace autorun::conformance

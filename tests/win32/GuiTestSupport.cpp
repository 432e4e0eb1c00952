#include "GuiTestSupport.h"

#include "KeyInput.h"

#include "app/Program.h"
#include "platform/win32/FormWindow.h"
#include "platform/win32/WideText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <utility>

namespace autorun::win32::test {
namespace {

namespace fs = std::filesystem;

std::map<UINT_PTR, Repeating*>& Timers()
{
    static std::map<UINT_PTR, Repeating*> timers;
    return timers;
}

std::wstring ClassName(HWND window)
{
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

// A 32-bit top-down DIB section, its bits and a memory DC holding it.
class Canvas {
public:
    Canvas(int width, int height) : width_(width), height_(height)
    {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
        old_ = SelectObject(dc_, bitmap_);
    }
    ~Canvas()
    {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC Dc() const { return dc_; }

    Image Pixels() const
    {
        GdiFlush();
        Image image{width_, height_, {}};
        image.pixels.reserve(static_cast<std::size_t>(width_ * height_));
        const auto* bgrx = static_cast<const std::uint32_t*>(bits_);
        for (int i = 0; i < width_ * height_; ++i) {
            const std::uint32_t p = bgrx[i];
            image.pixels.push_back(RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF));
        }
        return image;
    }

private:
    int width_;
    int height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    void* bits_ = nullptr;
};

Image CopyFrom(HDC source, int x, int y, int width, int height)
{
    Canvas canvas(width, height);
    BitBlt(canvas.Dc(), 0, 0, width, height, source, x, y, SRCCOPY);
    return canvas.Pixels();
}

bool Near(COLORREF a, COLORREF b, int tolerance)
{
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance && std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

constexpr const wchar_t* kOpenProgId = L"AutorunTest.Document";

void SetDefaultValue(HKEY key, const std::wstring& value)
{
    RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

} // namespace

ShellOpensWithStandIn::ShellOpensWithStandIn(const std::string& standIn)
{
    wchar_t base[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, base);
    log_ = fs::path(base) / (L"autorun open " + std::to_wstring(GetCurrentProcessId()) + L".log");
    fs::remove(log_);
    SetEnvironmentVariableW(L"AUTORUN_OPEN_LOG", log_.c_str());
    const std::wstring command = L"\"" + Wide(standIn) + L"\" \"%1\"";
    SetDefault(kOpenProgId + std::wstring(L"\\shell\\open\\command"), command);
    for (const wchar_t* extension : {L".pdf", L".htm"})
        SetDefault(extension, kOpenProgId);
}

ShellOpensWithStandIn::~ShellOpensWithStandIn()
{
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
        if (it->created) {
            RegDeleteTreeW(HKEY_CLASSES_ROOT, it->key.c_str());
        } else {
            HKEY key = nullptr;
            if (RegOpenKeyExW(HKEY_CLASSES_ROOT, it->key.c_str(), 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
                SetDefaultValue(key, it->value);
                RegCloseKey(key);
            }
        }
    }
    SetEnvironmentVariableW(L"AUTORUN_OPEN_LOG", nullptr);
    std::error_code ignored;
    fs::remove(log_, ignored);
}

std::vector<ShellOpensWithStandIn::Call> ShellOpensWithStandIn::Calls() const
{
    std::ifstream log(log_, std::ios::binary);
    std::vector<Call> calls;
    // Only whole lines: a call still being written is not one yet.
    for (std::string line; std::getline(log, line) && !log.eof();) {
        const std::size_t first = line.find('|');
        const std::size_t second = line.find('|', first + 1);
        if (second == std::string::npos)
            continue;
        calls.push_back({std::stoi(line.substr(0, first)), std::stoi(line.substr(first + 1, second - first - 1)),
                         Normalised(line.substr(second + 1))});
    }
    return calls;
}

bool ShellOpensWithStandIn::WaitForCalls(std::size_t count) const
{
    return PumpUntil([&] { return Calls().size() >= count; });
}

void ShellOpensWithStandIn::SetDefault(const std::wstring& name, const std::wstring& value)
{
    HKEY key = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              &disposition),
              ERROR_SUCCESS);
    Saved saved{name, disposition == REG_CREATED_NEW_KEY, {}};
    wchar_t old[MAX_PATH] = {};
    DWORD size = sizeof old;
    if (RegQueryValueExW(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(old), &size) == ERROR_SUCCESS)
        saved.value = old;
    saved_.push_back(saved);
    SetDefaultValue(key, value);
    RegCloseKey(key);
}

DiscDesktop::DiscDesktop(const TestDisc& disc) : folder_(disc.Text()) {}

void DiscDesktop::ShowModal(Form& form)
{
    shown_.push_back(&form);
    Win32Desktop::ShowModal(form);
    shown_.pop_back();
}

int DiscDesktop::Run(Form& form)
{
    shown_.push_back(&form);
    const int status = Win32Desktop::Run(form);
    shown_.pop_back();
    return status;
}

Shown DiscDesktop::Find(std::string_view windowName) const
{
    for (Form* form : shown_) {
        if (!form->Loaded() || form->Window().Name() != windowName)
            continue;
        const FormWindow* window = WindowOf(form->Window());
        if (window != nullptr && window->Handle() != nullptr && !window->CloseRequested())
            return {window->Handle(), form};
    }
    return {};
}

WhenShown::WhenShown(const DiscDesktop& desktop, std::string windowName, std::function<void(const Shown&)> action)
    : timer_(10, [this, &desktop, name = std::move(windowName), action = std::move(action)] {
          const Shown shown = desktop.Find(name);
          if (!shown || !IsWindowVisible(shown.handle))
              return;
          timer_.Stop();
          ran_ = true;
          action(shown);
          if (IsWindow(shown.handle))
              PostMessageW(shown.handle, WM_SYSCOMMAND, SC_CLOSE, 0);
      })
{
}

Repeating::Repeating(UINT intervalMs, std::function<void()> action) : action_(std::move(action))
{
    id_ = SetTimer(nullptr, 0, intervalMs, &Repeating::OnTimer);
    Timers()[id_] = this;
}

Repeating::~Repeating()
{
    Stop();
}

void Repeating::Stop()
{
    if (id_ == 0)
        return;
    KillTimer(nullptr, id_);
    Timers().erase(id_);
    id_ = 0;
}

void CALLBACK Repeating::OnTimer(HWND, UINT, UINT_PTR id, DWORD)
{
    const auto found = Timers().find(id);
    if (found == Timers().end())
        return;
    Repeating& timer = *found->second;
    // A loop run inside the action must not start it again.
    if (timer.busy_)
        return;
    timer.busy_ = true;
    timer.action_();
    // The action may have destroyed the timer; it is still registered only if not.
    const auto still = Timers().find(id);
    if (still != Timers().end())
        still->second->busy_ = false;
}

BoxCloser::BoxCloser(std::function<void(const Box&)> onBox) : onBox_(std::move(onBox)), timer_(10, [this] { Scan(); })
{
}

namespace {

// A named CALLBACK, not a lambda: on 32-bit Windows the callback must be stdcall.
BOOL CALLBACK NoteShownBox(HWND window, LPARAM found)
{
    if (ClassName(window) == L"#32770" && IsWindowVisible(window))
        reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
    return TRUE;
}

} // namespace

void BoxCloser::Scan()
{
    std::vector<HWND> boxes;
    EnumThreadWindows(GetCurrentThreadId(), NoteShownBox, reinterpret_cast<LPARAM>(&boxes));
    for (HWND window : boxes) {
        if (std::find(answered_.begin(), answered_.end(), window) != answered_.end())
            continue;
        answered_.push_back(window);
        Box box;
        box.title = WindowText(window);
        box.text = WindowText(GetDlgItem(window, 0xFFFF)); // the message text's control
        box.owner = GetWindow(window, GW_OWNER);
        for (HWND child = GetWindow(window, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
            if (!IsWindowVisible(child))
                continue;
            const LONG_PTR style = GetWindowLongPtrW(child, GWL_STYLE);
            if (ClassName(child) == L"Static" && (style & SS_TYPEMASK) == SS_ICON &&
                SendMessageW(child, STM_GETICON, 0, 0) != 0)
                box.icon = true;
            if (ClassName(child) == L"Button")
                box.buttons.push_back(GetDlgCtrlID(child));
        }
        boxes_.push_back(box);
        if (onBox_)
            onBox_(boxes_.back());
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(window, IDOK)));
    }
}

bool BoxCloser::WaitForBoxes(std::size_t count) const
{
    return PumpUntil([&] { return boxes_.size() >= count; });
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (!done()) {
        if (GetTickCount64() >= end)
            return false;
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                // For the loop that was waiting for it.
                PostQuitMessage(static_cast<int>(message.wParam));
                return done();
            }
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

int RunProgram(DiscDesktop& desktop, const std::function<void(const Shown& launcher)>& script)
{
    // The pointer rests away from the windows, which open in the middle of the screen.
    SetCursorPos(0, 0);
    bool ran = false;
    bool shown = false;
    Repeating start(0, [&] {
        if (ran)
            return;
        ran = true;
        const Shown launcher = desktop.Find("frmAutoRun");
        if (!launcher) {
            PostQuitMessage(-1);
            return;
        }
        shown = true;
        script(launcher);
        if (IsWindow(launcher.handle))
            PostMessageW(launcher.handle, WM_SYSCOMMAND, SC_CLOSE, 0);
    });
    const int status = RunAutorun(desktop);
    EXPECT_TRUE(shown) << "the launcher was not shown";
    return status;
}

bool DoubleClickIntoModal(DiscDesktop& desktop, const Shown& owner, POINT at, std::string_view windowName,
                          const std::function<void(const Shown&)>& action)
{
    WhenShown modal(desktop, std::string(windowName), action);
    const LPARAM position = MAKELPARAM(at.x, at.y);
    SendMessageW(owner.handle, WM_LBUTTONDOWN, MK_LBUTTON, position);
    SendMessageW(owner.handle, WM_LBUTTONUP, 0, position);
    // Returns once the window it opens has been closed.
    SendMessageW(owner.handle, WM_LBUTTONDBLCLK, MK_LBUTTON, position);
    SendMessageW(owner.handle, WM_LBUTTONUP, 0, position);
    return modal.Ran();
}

void MouseMove(HWND window, POINT at)
{
    SendMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(at.x, at.y));
}

void Click(HWND window, POINT at)
{
    SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
    SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
}

void DoubleClick(HWND window, POINT at)
{
    const LPARAM position = MAKELPARAM(at.x, at.y);
    SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, position);
    SendMessageW(window, WM_LBUTTONUP, 0, position);
    SendMessageW(window, WM_LBUTTONDBLCLK, MK_LBUTTON, position);
    SendMessageW(window, WM_LBUTTONUP, 0, position);
}

TakenMessages::TakenMessages(std::function<bool(const MSG&)> counts) : counts_(std::move(counts))
{
    live_.push_back(this);
    if (hook_ == nullptr)
        hook_ = SetWindowsHookExW(WH_GETMESSAGE, &Hook, nullptr, GetCurrentThreadId());
}

TakenMessages::~TakenMessages()
{
    std::erase(live_, this);
    if (live_.empty()) {
        UnhookWindowsHookEx(hook_);
        hook_ = nullptr;
    }
}

LRESULT CALLBACK TakenMessages::Hook(int code, WPARAM removed, LPARAM lParam)
{
    const auto* message = reinterpret_cast<const MSG*>(lParam);
    if (code == HC_ACTION && removed == PM_REMOVE) {
        for (TakenMessages* counter : live_)
            counter->count_ += counter->counts_(*message) ? 1 : 0;
    }
    return CallNextHookEx(nullptr, code, removed, lParam);
}

namespace {

// Puts the keystrokes into the system's input queue, as the keyboard does, and returns at once.
void SendKeys(std::initializer_list<Keystroke> keys)
{
    std::vector<INPUT> inputs;
    for (const Keystroke& stroke : keys) {
        const std::pair<bool, WORD> modifiers[] = {
            {stroke.shift, VK_SHIFT}, {stroke.control, VK_CONTROL}, {stroke.alt, VK_MENU}};
        for (const auto& [held, modifier] : modifiers) {
            if (held)
                inputs.push_back(KeyInput(modifier, false));
        }
        inputs.push_back(KeyInput(stroke.key, false));
        inputs.push_back(KeyInput(stroke.key, true));
        for (auto modifier = std::rbegin(modifiers); modifier != std::rend(modifiers); ++modifier) {
            if (modifier->first)
                inputs.push_back(KeyInput(modifier->second, true));
        }
    }
    EXPECT_EQ(SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)), inputs.size());
}

} // namespace

void PressKeys(HWND window, std::initializer_list<Keystroke> keys)
{
    SetForegroundWindow(window);
    ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == window && GetFocus() == window; }))
        << "the window did not take the keyboard";
    const TakenMessages releases(
        [](const MSG& message) { return message.message == WM_KEYUP || message.message == WM_SYSKEYUP; });
    int expected = 0;
    for (const Keystroke& stroke : keys)
        expected += 1 + int{stroke.shift} + int{stroke.control} + int{stroke.alt};
    SendKeys(keys);
    EXPECT_TRUE(PumpUntil([&] { return releases.Count() >= expected; })) << "the keys did not arrive";
}

// Under CPU emulation (qemu-user) a second thread of a 32-bit Wine program loses its connection to the
// Wine server ("wine client error: write: Bad file descriptor") and the reader hangs. There the reader
// asks from the calling thread: still through oleacc and our object's 32-bit calls, not across threads.
ScreenReader::ScreenReader(HWND window)
    : window_(window), sameThread_(std::getenv("AUTORUN_CPU_EMULATOR") != nullptr)
{
    if (!sameThread_) {
        wake_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        done_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        thread_ = CreateThread(nullptr, 0, &ScreenReader::Main, this, 0, nullptr);
    }
    Run([this] {
        void* object = nullptr;
        if (SUCCEEDED(AccessibleObjectFromWindow(window_, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                                 &object)))
            object_ = static_cast<IAccessible*>(object);
    });
}

ScreenReader::~ScreenReader()
{
    Run([this] {
        if (object_ != nullptr)
            object_->Release();
        object_ = nullptr;
        stop_ = true;
    });
    if (sameThread_)
        return;
    WaitForSingleObject(thread_, kWaitMs);
    CloseHandle(thread_);
    CloseHandle(done_);
    CloseHandle(wake_);
}

void ScreenReader::Do(const std::function<void(IAccessible&)>& call)
{
    ASSERT_NE(object_, nullptr) << "no object for the window";
    Run([&] { call(*object_); });
}

void ScreenReader::Run(std::function<void()> job)
{
    if (sameThread_) {
        job();
        return;
    }
    job_ = std::move(job);
    SetEvent(wake_);
    // The calls cross to this thread's window, which answers only while this thread runs its messages.
    EXPECT_TRUE(PumpUntil([&] { return WaitForSingleObject(done_, 0) == WAIT_OBJECT_0; })) << "the reader hangs";
}

DWORD WINAPI ScreenReader::Main(void* self)
{
    auto& reader = *static_cast<ScreenReader*>(self);
    const HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    while (!reader.stop_) {
        WaitForSingleObject(reader.wake_, INFINITE);
        reader.job_();
        SetEvent(reader.done_);
    }
    if (SUCCEEDED(com))
        CoUninitialize();
    return 0;
}

VARIANT ChildId(long id)
{
    VARIANT child;
    VariantInit(&child);
    child.vt = VT_I4;
    child.lVal = id;
    return child;
}

AccessibleChild Describe(IAccessible& object, long id)
{
    const auto text = [](HRESULT result, BSTR value) {
        std::string utf8 = SUCCEEDED(result) && value != nullptr ? Utf8(value) : "";
        SysFreeString(value);
        return utf8;
    };
    AccessibleChild child;
    BSTR value = nullptr;
    HRESULT result = object.get_accName(ChildId(id), &value);
    child.name = text(result, value);
    value = nullptr;
    result = object.get_accDescription(ChildId(id), &value);
    child.description = text(result, value);
    value = nullptr;
    result = object.get_accDefaultAction(ChildId(id), &value);
    child.action = text(result, value);
    VARIANT number;
    VariantInit(&number);
    if (SUCCEEDED(object.get_accRole(ChildId(id), &number)) && number.vt == VT_I4)
        child.role = number.lVal;
    VariantInit(&number);
    if (SUCCEEDED(object.get_accState(ChildId(id), &number)) && number.vt == VT_I4)
        child.state = number.lVal;
    return child;
}

std::ostream& operator<<(std::ostream& out, const AccessibleChild& child)
{
    return out << "{role " << child.role << ", \"" << child.name << "\", \"" << child.description << "\", state 0x"
               << std::hex << child.state << std::dec << ", \"" << child.action << "\"}";
}

HCURSOR CursorAt(HWND window, POINT at)
{
    POINT screen = at;
    ClientToScreen(window, &screen);
    SetCursorPos(screen.x, screen.y);
    SendMessageW(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    return GetCursor();
}

POINT PixelCentre(const ui::Rect& r)
{
    return {ui::ToPixels(r.left + r.width / 2), ui::ToPixels(r.top + r.height / 2)};
}

Image Image::Part(const RECT& area) const
{
    Image part{static_cast<int>(area.right - area.left), static_cast<int>(area.bottom - area.top), {}};
    for (LONG y = area.top; y < area.bottom; ++y) {
        for (LONG x = area.left; x < area.right; ++x)
            part.pixels.push_back(At(x, y));
    }
    return part;
}

Image Painted(HWND window)
{
    EXPECT_TRUE(PumpUntil([&] { return !GetUpdateRect(window, nullptr, FALSE); })) << "the window did not paint";
    const SIZE size = ClientSize(window);
    const HDC dc = GetDC(window);
    Image image = CopyFrom(dc, 0, 0, size.cx, size.cy);
    ReleaseDC(window, dc);
    return image;
}

Image Rendered(HWND window)
{
    InvalidateRect(window, nullptr, FALSE);
    return Painted(window);
}

Image OnScreen(HWND window)
{
    const SIZE size = ClientSize(window);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    const HDC screen = GetDC(nullptr);
    Image image = CopyFrom(screen, origin.x, origin.y, size.cx, size.cy);
    ReleaseDC(nullptr, screen);
    return image;
}

Image FromBitmap(HBITMAP bitmap)
{
    BITMAP info{};
    if (bitmap == nullptr || GetObjectW(bitmap, sizeof info, &info) == 0)
        return {};
    const HDC source = CreateCompatibleDC(nullptr);
    const HGDIOBJ old = SelectObject(source, bitmap);
    Image image = CopyFrom(source, 0, 0, info.bmWidth, info.bmHeight);
    SelectObject(source, old);
    DeleteDC(source);
    return image;
}

int CountNear(const Image& image, const RECT& area, COLORREF colour, int tolerance)
{
    int count = 0;
    for (LONG y = std::max(0L, area.top); y < std::min<LONG>(image.height, area.bottom); ++y) {
        for (LONG x = std::max(0L, area.left); x < std::min<LONG>(image.width, area.right); ++x) {
            if (Near(image.At(x, y), colour, tolerance))
                ++count;
        }
    }
    return count;
}

int CountOther(const Image& image, const RECT& area, COLORREF colour)
{
    const LONG width = std::min<LONG>(image.width, area.right) - std::max(0L, area.left);
    const LONG height = std::min<LONG>(image.height, area.bottom) - std::max(0L, area.top);
    return static_cast<int>(std::max(0L, width) * std::max(0L, height)) - CountNear(image, area, colour, 0);
}

int DistinctColours(const Image& image)
{
    std::vector<COLORREF> colours = image.pixels;
    std::sort(colours.begin(), colours.end());
    return static_cast<int>(std::unique(colours.begin(), colours.end()) - colours.begin());
}

IconPixel IconPixelAt(HICON icon, int size, int x, int y)
{
    const auto drawnOn = [&](COLORREF back) {
        Canvas canvas(size, size);
        const HBRUSH brush = CreateSolidBrush(back);
        const RECT all{0, 0, size, size};
        FillRect(canvas.Dc(), &all, brush);
        DeleteObject(brush);
        DrawIconEx(canvas.Dc(), 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
        return canvas.Pixels().At(x, y);
    };
    const COLORREF onWhite = drawnOn(kWhite);
    const COLORREF onBlack = drawnOn(RGB(0, 0, 0));
    if (onWhite == kWhite && onBlack == RGB(0, 0, 0))
        return IconPixel::Clear;
    if (onWhite != onBlack)
        return IconPixel::Other;
    if (onWhite == kWhite)
        return IconPixel::White;
    return onWhite == RGB(0, 0, 0) ? IconPixel::Black : IconPixel::Other;
}

std::string WindowText(HWND window)
{
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return Utf8(text);
}

SIZE ClientSize(HWND window)
{
    RECT client{};
    GetClientRect(window, &client);
    return {client.right, client.bottom};
}

std::string Normalised(std::string path)
{
    std::replace(path.begin(), path.end(), '/', '\\');
    // A doubled separator names the same folder; the leading pair of a network path stays.
    for (std::size_t at = path.find("\\\\", 1); at != std::string::npos; at = path.find("\\\\", at))
        path.erase(at, 1);
    return path;
}

} // namespace autorun::win32::test

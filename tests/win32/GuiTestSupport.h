// What the Win32 front end's GUI tests share: a disc folder made per test, the real desktop rooted at
// it, real window messages, the pixels a window shows, and ways to act on the windows and boxes that
// appear inside the program's own modal loops.
#pragma once

#include "../LauncherSettings.h"
#include "../conformance/TestDisc.h"
#include "platform/win32/Win32Desktop.h"
#include "ui/Form.h"

#include <windows.h>

#include <oleacc.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <ostream>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace autorun::win32::test {

using autorun::test::kLauncherSettings;
using autorun::test::TestDisc;

inline constexpr COLORREF kWhite = RGB(255, 255, 255);

// Generous bound for anything the tests wait on; a condition that holds ends the wait at once.
inline constexpr DWORD kWaitMs = 10000;

// Makes the shell open .pdf and .htm files with the stand-in, which logs each call; the
// associations the prefix had come back when it goes. Wine's shell reads the machine's classes only.
class ShellOpensWithStandIn {
public:
    explicit ShellOpensWithStandIn(const std::string& standIn);
    ~ShellOpensWithStandIn();
    ShellOpensWithStandIn(const ShellOpensWithStandIn&) = delete;
    ShellOpensWithStandIn& operator=(const ShellOpensWithStandIn&) = delete;

    struct Call {
        int show = 0;
        int arguments = 0;
        std::string path;
    };

    std::vector<Call> Calls() const;
    bool WaitForCalls(std::size_t count) const;

private:
    struct Saved {
        std::wstring key;
        bool created;
        std::wstring value;
    };

    void SetDefault(const std::wstring& name, const std::wstring& value);

    std::filesystem::path log_;
    std::vector<Saved> saved_;
};

// A window the desktop shows: its handle and its form.
struct Shown {
    HWND handle = nullptr;
    Form* form = nullptr;

    explicit operator bool() const { return handle != nullptr; }
    ui::Window& Model() const { return form->Window(); }
    ui::Label& Control(ui::ControlId control, int index = -1) const { return Model().Control(control, index); }
};

// The real Windows desktop with the disc as the program's folder. It notes the forms it shows, so
// tests can reach their models; everything else is the real desktop's.
class DiscDesktop : public Win32Desktop {
public:
    explicit DiscDesktop(const TestDisc& disc);

    std::string ProgramFolder() override { return folder_; }
    void ShowModal(Form& form) override;
    int Run(Form& form) override;

    // The named window while it is shown and not closing, or an empty Shown.
    Shown Find(std::string_view windowName) const;

private:
    std::string folder_;
    std::vector<Form*> shown_;
};

// Calls action every interval from whichever message loop the thread runs, until stopped.
class Repeating {
public:
    Repeating(UINT intervalMs, std::function<void()> action);
    ~Repeating();
    Repeating(const Repeating&) = delete;
    Repeating& operator=(const Repeating&) = delete;

    void Stop();

private:
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR id, DWORD);

    UINT_PTR id_ = 0;
    bool busy_ = false;
    std::function<void()> action_;
};

// Runs action once the named window is shown, then closes it as its close box would.
class WhenShown {
public:
    WhenShown(const DiscDesktop& desktop, std::string windowName, std::function<void(const Shown&)> action);
    bool Ran() const { return ran_; }

private:
    bool ran_ = false;
    Repeating timer_;
};

// Answers every message box of this thread with OK, recording what it showed.
class BoxCloser {
public:
    struct Box {
        std::string title;
        std::string text;
        bool icon = false;
        std::vector<int> buttons; // control ids of the push buttons shown
        HWND owner = nullptr;
    };

    explicit BoxCloser(std::function<void(const Box&)> onBox = {});
    const std::vector<Box>& Boxes() const { return boxes_; }
    bool WaitForBoxes(std::size_t count) const;

private:
    void Scan();

    std::function<void(const Box&)> onBox_;
    std::vector<Box> boxes_;
    std::vector<HWND> answered_;
    Repeating timer_;
};

// Runs the thread's messages until done() holds or timeoutMs have passed; returns done().
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = kWaitMs);

// Runs the whole program from the disc; script acts once the launcher is shown, then the launcher is
// closed as its close box would. Returns the program's exit status.
int RunProgram(DiscDesktop& desktop, const std::function<void(const Shown& launcher)>& script);

// Double-clicks owner at a point that opens the named modal window and runs action inside it; the
// modal window is closed after action. Returns whether action ran.
bool DoubleClickIntoModal(DiscDesktop& desktop, const Shown& owner, POINT at, std::string_view windowName,
                          const std::function<void(const Shown&)>& action);

// Pointer messages as the system sends them, at client positions in pixels; each returns once handled.
void MouseMove(HWND window, POINT at);
void Click(HWND window, POINT at);
void DoubleClick(HWND window, POINT at);

// Counts the messages this thread takes from its queue that counts() picks, whichever loop takes them.
// Counters may nest: a key typed into a modal window opened by another key.
class TakenMessages {
public:
    explicit TakenMessages(std::function<bool(const MSG&)> counts);
    ~TakenMessages();
    TakenMessages(const TakenMessages&) = delete;
    TakenMessages& operator=(const TakenMessages&) = delete;

    int Count() const { return count_; }

private:
    static LRESULT CALLBACK Hook(int code, WPARAM removed, LPARAM lParam);

    std::function<bool(const MSG&)> counts_;
    int count_ = 0;
    static inline std::vector<TakenMessages*> live_;
    static inline HHOOK hook_ = nullptr;
};

// A key as the keyboard sends it, with the modifiers held.
struct Keystroke {
    WORD key = 0;
    bool shift = false;
    bool control = false;
    bool alt = false;
};

// Brings window to the front with the keyboard focus, types the keys, and returns once this thread has
// taken every key from its queue (after any modal window a key opened has closed).
void PressKeys(HWND window, std::initializer_list<Keystroke> keys);

// A screen reader on a thread of its own, holding the window's client object as screen readers get it
// (through the system, from another apartment, so every call crosses to the window's thread).
class ScreenReader {
public:
    explicit ScreenReader(HWND window);
    ~ScreenReader();
    ScreenReader(const ScreenReader&) = delete;
    ScreenReader& operator=(const ScreenReader&) = delete;

    // Whether the system handed over an object for the window's client area.
    bool Connected() const { return object_ != nullptr; }
    // Runs call on the reader's thread with the object, while this thread runs its messages; returns
    // once call has returned. Under CPU emulation the reader asks from the calling thread.
    void Do(const std::function<void(IAccessible& object)>& call);

private:
    static DWORD WINAPI Main(void* self);
    void Run(std::function<void()> job);

    HWND window_;
    bool sameThread_;
    IAccessible* object_ = nullptr;
    std::function<void()> job_;
    bool stop_ = false;
    HANDLE wake_ = nullptr;
    HANDLE done_ = nullptr;
    HANDLE thread_ = nullptr;
};

// A child id as MSAA clients pass it.
VARIANT ChildId(long id);
// What the object says of a child: its role, name, description, state and default action.
struct AccessibleChild {
    long role = 0;
    std::string name;
    std::string description;
    long state = 0;
    std::string action;
    bool operator==(const AccessibleChild&) const = default;
};
std::ostream& operator<<(std::ostream& out, const AccessibleChild& child);
AccessibleChild Describe(IAccessible& object, long id);

// The cursor the window sets when the pointer rests at a client position.
HCURSOR CursorAt(HWND window, POINT at);

POINT PixelCentre(const ui::Rect& r);

// Pixels as COLORREF, row by row from the top.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels;

    COLORREF At(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
    Image Part(const RECT& area) const;
    bool operator==(const Image&) const = default;
};

// What the window shows once it has painted what it marked for painting itself.
Image Painted(HWND window);
// What the window draws now from its model, all of it painted afresh.
Image Rendered(HWND window);
// What the screen shows of the window's client area.
Image OnScreen(HWND window);
Image FromBitmap(HBITMAP bitmap);

// Pixels inside area whose channels each lie within tolerance of colour.
int CountNear(const Image& image, const RECT& area, COLORREF colour, int tolerance = 48);
// Pixels inside area that differ from colour at all.
int CountOther(const Image& image, const RECT& area, COLORREF colour);
int DistinctColours(const Image& image);

// Transparent, white or black pixels of an icon or cursor drawn at its own size.
enum class IconPixel { Clear, White, Black, Other };
IconPixel IconPixelAt(HICON icon, int size, int x, int y);

std::string WindowText(HWND window);
SIZE ClientSize(HWND window);

// A path without doubled separators.
std::string Normalised(std::string path);

} // namespace autorun::win32::test

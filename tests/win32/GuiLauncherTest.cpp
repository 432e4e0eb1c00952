// The launcher in a real Win32 window under the real desktop: its frame, what it draws and how it
// answers real pointer messages.
#include "GuiTestSupport.h"

#include "launcher/AutoRunDesign.h"
#include "platform/win32/Pictures.h"
#include "tests/conformance/Conformance.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <utility>

#include <functional>
#include <string>

namespace autorun::win32::test {
namespace {

constexpr COLORREF kHoverText = RGB(0, 0, 192);
constexpr COLORREF kNormalText = RGB(192, 64, 0);
// The description line where it lies over the dark foot of the artwork (which ends at row 420).
constexpr RECT kDescriptionOverArtwork{24, 400, 592, 420};

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

// Whether the screen shows button lit, as hover lights it, and the other button plain; -1: neither lit.
void ExpectLitOnScreen(const Shown& launcher, int button)
{
    const Image shown = Painted(launcher.handle);
    for (int b = 0; b < 2; ++b) {
        SCOPED_TRACE("button " + std::to_string(b));
        const RECT box = PixelRect(Button(launcher, b).Bounds());
        EXPECT_EQ(Button(launcher, b).ForeColour(), b == button ? ColorBtnHover : ColorBtnNormal);
        EXPECT_EQ(CountNear(shown, box, kHoverText) > 20, b == button);
        EXPECT_EQ(CountNear(shown, box, kNormalText) > 20, b != button);
    }
    EXPECT_EQ(Description(launcher).Visible(), button >= 0);
    EXPECT_EQ(CountNear(shown, kDescriptionOverArtwork, kWhite) > 50, button >= 0);
}

TEST_F(LauncherWindow, KeysLightTheButtonsInTurnAsHoverDoes)
{
    struct Step {
        Keystroke key;
        int lit;
    };
    const Step steps[] = {{{VK_TAB}, 0},  {{VK_TAB}, 1},  {{VK_TAB}, 0},    {{VK_TAB, true}, 1},
                          {{VK_DOWN}, 0}, {{VK_RIGHT}, 1}, {{VK_UP}, 0},    {{VK_LEFT}, 1}};
    const std::string descriptions[] = {"Read the manuals of the kit", "See every file on the disc"};
    RunProgram(desktop_, [&](const Shown& launcher) {
        const HWND window = launcher.handle;
        // Nothing lit before a key, even with the keyboard focus in the window.
        SetForegroundWindow(window);
        ASSERT_TRUE(PumpUntil([&] { return GetFocus() == window; }));
        ExpectLitOnScreen(launcher, -1);
        for (const Step& step : steps) {
            SCOPED_TRACE(std::to_string(step.key.key) + (step.key.shift ? " with Shift" : ""));
            PressKeys(window, {step.key});
            ExpectLitOnScreen(launcher, step.lit);
            EXPECT_EQ(Description(launcher).Caption(), descriptions[step.lit]);
        }
        // The pointer takes the light over, and the next key moves on from where the pointer left it.
        MouseMove(window, PixelCentre(Button(launcher, 0).Bounds()));
        ExpectLitOnScreen(launcher, 0);
        PressKeys(window, {{VK_TAB}});
        ExpectLitOnScreen(launcher, 1);
        // Keys the window does not answer change nothing.
        PressKeys(window, {{'A'}, {VK_F5}});
        ExpectLitOnScreen(launcher, 1);
    });
    EXPECT_TRUE(boxes_.Boxes().empty());
}

TEST_F(LauncherWindow, EnterOpensTheDocumentationAndEscapeGivesTheKeyboardBack)
{
    RunProgram(desktop_, [&](const Shown& launcher) {
        const HWND window = launcher.handle;
        PressKeys(window, {{VK_TAB}});
        ExpectLitOnScreen(launcher, 0);
        HWND shownDoc = nullptr;
        bool keyboardInDoc = false;
        // Escape goes in from the documentation window's own loop; nothing else closes it.
        Repeating escape(10, [&] {
            const Shown doc = desktop_.Find("frmOnlineDoc");
            if (!doc || !IsWindowVisible(doc.handle) || shownDoc != nullptr)
                return;
            shownDoc = doc.handle;
            keyboardInDoc = GetActiveWindow() == doc.handle && GetFocus() == doc.handle;
            SendKeys({{VK_ESCAPE}});
        });
        PressKeys(window, {{VK_RETURN}});
        ASSERT_NE(shownDoc, nullptr) << "Enter did not open the documentation window";
        EXPECT_TRUE(keyboardInDoc);
        EXPECT_TRUE(PumpUntil([&] { return !IsWindow(shownDoc); })) << "Escape did not close it";
        EXPECT_FALSE(desktop_.Find("frmOnlineDoc"));
        EXPECT_TRUE(IsWindowEnabled(window));
        EXPECT_EQ(GetActiveWindow(), window);
        EXPECT_EQ(GetFocus(), window);
        ExpectLitOnScreen(launcher, 0);
        // The keyboard goes on where it was.
        PressKeys(window, {{VK_TAB}});
        ExpectLitOnScreen(launcher, 1);
    });
    EXPECT_TRUE(boxes_.Boxes().empty());
}

// The events the system passes on for a window's client area, as a screen reader hooked out of
// context hears them.
class WinEvents {
public:
    explicit WinEvents(HWND window)
    {
        target_ = window;
        events_.clear();
        hook_ = SetWinEventHook(EVENT_OBJECT_SHOW, EVENT_OBJECT_NAMECHANGE, nullptr, &Hook, GetCurrentProcessId(), 0,
                                WINEVENT_OUTOFCONTEXT);
    }
    ~WinEvents() { UnhookWinEvent(hook_); }
    WinEvents(const WinEvents&) = delete;
    WinEvents& operator=(const WinEvents&) = delete;

    // The children that events of that kind named, in order.
    std::vector<long> Children(DWORD kind) const
    {
        std::vector<long> children;
        for (const auto& [event, child] : events_) {
            if (event == kind)
                children.push_back(child);
        }
        return children;
    }
    void Clear() { events_.clear(); }
    // Every event since the last call, in order, as (event, child).
    std::vector<std::pair<DWORD, long>> Take() { return std::exchange(events_, {}); }

private:
    static void CALLBACK Hook(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD, DWORD)
    {
        if (window == target_ && object == OBJID_CLIENT)
            events_.emplace_back(event, child);
    }

    static inline HWND target_ = nullptr;
    static inline std::vector<std::pair<DWORD, long>> events_;
    HWINEVENTHOOK hook_ = nullptr;
};

TEST_F(LauncherWindow, ScreenReadersSeeTwoButtonsWithTheirDescriptions)
{
    RunProgram(desktop_, [&](const Shown& launcher) {
        const HWND window = launcher.handle;
        ScreenReader reader(window);
        ASSERT_TRUE(reader.Connected());
        const std::vector<ui::Label>& labels = launcher.Model().Labels();
        const long documentation = static_cast<long>(launcher.Model().PositionOf(Button(launcher, 0))) + 1;
        const long browse = static_cast<long>(launcher.Model().PositionOf(Button(launcher, 1))) + 1;
        const long description = static_cast<long>(launcher.Model().PositionOf(Description(launcher))) + 1;

        long count = 0;
        std::vector<AccessibleChild> children;
        AccessibleChild client;
        reader.Do([&](IAccessible& object) {
            object.get_accChildCount(&count);
            client = Describe(object, CHILDID_SELF);
            for (long id = 1; id <= count; ++id)
                children.push_back(Describe(object, id));
        });
        ASSERT_EQ(count, static_cast<long>(labels.size()));
        EXPECT_EQ(client.role, ROLE_SYSTEM_CLIENT);
        EXPECT_EQ(client.name, "VELMO Developers Kit v7.03");
        const AccessibleChild buttons[] = {
            {ROLE_SYSTEM_PUSHBUTTON, "Online Documentation", "Read the manuals of the kit", STATE_SYSTEM_FOCUSABLE, "Press"},
            {ROLE_SYSTEM_PUSHBUTTON, "Browse this CD", "See every file on the disc", STATE_SYSTEM_FOCUSABLE, "Press"}};
        EXPECT_EQ(children[documentation - 1], buttons[0]);
        EXPECT_EQ(children[browse - 1], buttons[1]);
        // The description line is hidden text until a button is lit.
        EXPECT_EQ(children[description - 1].role, ROLE_SYSTEM_STATICTEXT);
        EXPECT_EQ(children[description - 1].state & STATE_SYSTEM_INVISIBLE, STATE_SYSTEM_INVISIBLE);
        EXPECT_EQ(children[description - 1].action, "");

        // Where each button is drawn, on the screen, and what lies under a point there.
        RECT box = PixelRect(Button(launcher, 1).Bounds());
        MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&box), 2);
        long left = 0, top = 0, width = 0, height = 0;
        VARIANT hit;
        VariantInit(&hit);
        reader.Do([&](IAccessible& object) {
            object.accLocation(&left, &top, &width, &height, ChildId(browse));
            object.accHitTest(box.left + 2, box.top + 2, &hit);
        });
        const RECT location{left, top, left + width, top + height};
        EXPECT_TRUE(EqualRect(&location, &box)) << left << "," << top << " " << width << "x" << height;
        EXPECT_EQ(hit.vt, VT_I4);
        EXPECT_EQ(hit.lVal, browse);

        // The keyboard focus, told as it moves and asked for.
        const WinEvents events(window);
        VARIANT focus;
        for (const long expected : {documentation, browse}) {
            PressKeys(window, {{VK_TAB}});
            AccessibleChild focused;
            VariantInit(&focus);
            reader.Do([&](IAccessible& object) {
                object.get_accFocus(&focus);
                focused = Describe(object, expected);
            });
            EXPECT_EQ(focus.vt, VT_I4);
            EXPECT_EQ(focus.lVal, expected);
            EXPECT_EQ(focused.state, STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_FOCUSED);
        }
        EXPECT_TRUE(PumpUntil([&] { return events.Children(EVENT_OBJECT_FOCUS).size() >= 2; }));
        EXPECT_EQ(events.Children(EVENT_OBJECT_FOCUS), (std::vector<long>{documentation, browse}));

        // The default action of "Online Documentation" opens the window, as a double-click does.
        WhenShown doc(desktop_, "frmOnlineDoc", [](const Shown&) {});
        HRESULT pressed = E_FAIL;
        reader.Do([&](IAccessible& object) { pressed = object.accDoDefaultAction(ChildId(documentation)); });
        EXPECT_EQ(pressed, S_OK);
        EXPECT_TRUE(PumpUntil([&] { return doc.Ran(); }));
        EXPECT_TRUE(PumpUntil([&] { return IsWindowEnabled(window); }));
    });
    EXPECT_TRUE(boxes_.Boxes().empty());
}

TEST_F(LauncherWindow, TellsWhatChangesAndWhereTheFocusIsWhenTheWindowComesBack)
{
    RunProgram(desktop_, [&](const Shown& launcher) {
        const HWND window = launcher.handle;
        const long documentation = static_cast<long>(launcher.Model().PositionOf(Button(launcher, 0))) + 1;
        const long browse = static_cast<long>(launcher.Model().PositionOf(Button(launcher, 1))) + 1;
        const long description = static_cast<long>(launcher.Model().PositionOf(Description(launcher))) + 1;
        const auto told = [](const std::vector<long>& children, long child) {
            return std::find(children.begin(), children.end(), child) != children.end();
        };
        WinEvents events(window);

        // The description line appears with the first button's text, then reads the second's.
        PressKeys(window, {{VK_TAB}});
        EXPECT_TRUE(PumpUntil([&] { return told(events.Children(EVENT_OBJECT_FOCUS), documentation); }));
        EXPECT_TRUE(told(events.Children(EVENT_OBJECT_SHOW), description));
        EXPECT_TRUE(told(events.Children(EVENT_OBJECT_NAMECHANGE), description));
        events.Clear();
        PressKeys(window, {{VK_TAB}});
        EXPECT_TRUE(PumpUntil([&] { return told(events.Children(EVENT_OBJECT_FOCUS), browse); }));
        EXPECT_TRUE(told(events.Children(EVENT_OBJECT_NAMECHANGE), description));
        EXPECT_FALSE(told(events.Children(EVENT_OBJECT_SHOW), description));
        PressKeys(window, {{VK_TAB}});

        // When the documentation window closes, the launcher's focused button is told last.
        bool escaped = false;
        Repeating escape(10, [&] {
            const Shown doc = desktop_.Find("frmOnlineDoc");
            if (!doc || !IsWindowVisible(doc.handle) || escaped)
                return;
            escaped = true;
            events.Clear();
            SendKeys({{VK_ESCAPE}});
        });
        PressKeys(window, {{VK_RETURN}});
        ASSERT_TRUE(escaped);
        EXPECT_TRUE(PumpUntil([&] {
            const std::vector<long> focus = events.Children(EVENT_OBJECT_FOCUS);
            return !focus.empty() && focus.back() == documentation;
        })) << "focus events after the window came back: " << testing::PrintToString(events.Children(EVENT_OBJECT_FOCUS));
    });
    EXPECT_TRUE(boxes_.Boxes().empty());
}

// The shared cases, through MSAA from a screen reader's thread and the events its hook hears.
class Win32FrontEnd : public conformance::FrontEnd {
public:
    Win32FrontEnd(const Shown& launcher, ScreenReader& reader, WinEvents& events)
        : launcher_(launcher), reader_(reader), events_(events)
    {
    }

    const ui::Window& Launcher() const override { return launcher_.Model(); }

    conformance::Reading Read(std::size_t label) override
    {
        AccessibleChild child;
        reader_.Do([&](IAccessible& object) { child = Describe(object, static_cast<long>(label) + 1); });
        conformance::Reading reading;
        // MSAA's names for the roles.
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

    void Press(Key key, Modifiers modifiers) override
    {
        const std::map<Key, WORD> keys = {{Key::Tab, VK_TAB},     {Key::Left, VK_LEFT},   {Key::Right, VK_RIGHT},
                                          {Key::Up, VK_UP},       {Key::Down, VK_DOWN},   {Key::Enter, VK_RETURN},
                                          {Key::Space, VK_SPACE}, {Key::Escape, VK_ESCAPE}};
        PressKeys(launcher_.handle, {{keys.at(key), modifiers.shift, modifiers.control, modifiers.alt}});
        // Out-of-context events arrive as this thread runs its messages.
        PumpUntil([] { return false; }, 50);
    }

    std::vector<conformance::Announcement> TakeAnnouncements() override
    {
        const std::map<DWORD, std::string> kinds = {{EVENT_OBJECT_FOCUS, "focus"},
                                                    {EVENT_OBJECT_SHOW, "show"},
                                                    {EVENT_OBJECT_HIDE, "hide"},
                                                    {EVENT_OBJECT_NAMECHANGE, "name"},
                                                    {EVENT_OBJECT_STATECHANGE, "state"}};
        std::vector<conformance::Announcement> told;
        for (const auto& [event, child] : events_.Take()) {
            const auto kind = kinds.find(event);
            if (child > 0 && kind != kinds.end())
                told.push_back({kind->second, static_cast<std::size_t>(child - 1)});
        }
        return told;
    }

private:
    const Shown& launcher_;
    ScreenReader& reader_;
    WinEvents& events_;
};

TEST_F(LauncherWindow, FromTheKeyboardAsOnEveryDesktop)
{
    RunProgram(desktop_, [&](const Shown& launcher) {
        ScreenReader reader(launcher.handle);
        ASSERT_TRUE(reader.Connected());
        WinEvents events(launcher.handle);
        Win32FrontEnd frontEnd(launcher, reader, events);
        conformance::LauncherFromTheKeyboard(frontEnd);
    });
    EXPECT_TRUE(boxes_.Boxes().empty());
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

// Counts the pointer moves over its frame that the system posts to a window.
class FrameMoves {
public:
    explicit FrameMoves(HWND window)
    {
        target_ = window;
        count_ = 0;
        hook_ = SetWindowsHookExW(WH_GETMESSAGE, &Hook, nullptr, GetCurrentThreadId());
    }
    ~FrameMoves() { UnhookWindowsHookEx(hook_); }
    FrameMoves(const FrameMoves&) = delete;
    FrameMoves& operator=(const FrameMoves&) = delete;

    int Count() const { return count_; }

private:
    static LRESULT CALLBACK Hook(int code, WPARAM removed, LPARAM lParam)
    {
        const auto* message = reinterpret_cast<const MSG*>(lParam);
        if (code == HC_ACTION && removed == PM_REMOVE && message->hwnd == target_ && message->message == WM_NCMOUSEMOVE)
            ++count_;
        return CallNextHookEx(nullptr, code, removed, lParam);
    }

    static inline HWND target_ = nullptr;
    static inline int count_ = 0;
    HHOOK hook_ = nullptr;
};

TEST_F(LauncherWindow, PointerLeavingTheWindowKeepsTheHighlight)
{
    RunProgram(desktop_, [&](const Shown& launcher) {
        const HWND window = launcher.handle;
        POINT button = PixelCentre(Button(launcher, 1).Bounds());
        ClientToScreen(window, &button);
        SetCursorPos(button.x, button.y);
        ASSERT_TRUE(PumpUntil([&] { return Button(launcher, 1).ForeColour() == ColorBtnHover; }));

        // Out over the caption: the window hears of it, the form does not.
        RECT outer{};
        GetWindowRect(window, &outer);
        const FrameMoves moves(window);
        SetCursorPos(outer.left + 40, outer.top + 5);
        ASSERT_TRUE(PumpUntil([&] { return moves.Count() > 0; }));
        const Image shown = Painted(window);
        EXPECT_EQ(Button(launcher, 1).ForeColour(), ColorBtnHover);
        EXPECT_TRUE(Description(launcher).Visible());
        EXPECT_GT(CountNear(shown, PixelRect(Button(launcher, 1).Bounds()), kHoverText), 20);
        EXPECT_GT(CountNear(shown, kDescriptionOverArtwork, kWhite), 50);
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

struct TitleSearch {
    const std::string& title;
    bool ours;
    std::vector<HWND> found;
};

// A named CALLBACK, not a lambda: on 32-bit Windows the callback must be stdcall.
BOOL CALLBACK NoteWindowTitled(HWND window, LPARAM data)
{
    auto& search = *reinterpret_cast<TitleSearch*>(data);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if ((process == GetCurrentProcessId()) == search.ours && IsWindowVisible(window) &&
        WindowText(window) == search.title)
        search.found.push_back(window);
    return TRUE;
}

// Shown top-level windows with that title, of this process or of the others.
std::vector<HWND> WindowsTitled(const std::string& title, bool ours)
{
    TitleSearch search{title, ours, {}};
    EnumWindows(NoteWindowTitled, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::vector<HWND> OtherWindowsTitled(const std::string& title)
{
    return WindowsTitled(title, false);
}

// Closes the Explorer windows, waiting for each to end.
void CloseExplorers(const std::vector<HWND>& explorers)
{
    for (HWND window : explorers) {
        DWORD id = 0;
        GetWindowThreadProcessId(window, &id);
        const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, id);
        PostMessageW(window, WM_CLOSE, 0, 0);
        if (process != nullptr) {
            EXPECT_EQ(WaitForSingleObject(process, kWaitMs), WAIT_OBJECT_0) << "Explorer did not end";
            CloseHandle(process);
        }
    }
}

TEST_F(LauncherWindow, BrowseOpensTheDiscInExplorerByDoubleClickKeyOrScreenReader)
{
    struct Case {
        const char* how;
        std::function<void(const Shown& launcher)> act;
    };
    const Case cases[] = {
        {"double-click",
         [](const Shown& launcher) {
             const POINT browse = PixelCentre(Button(launcher, 1).Bounds());
             // A single click does nothing; the double-click opens.
             Click(launcher.handle, browse);
             DoubleClick(launcher.handle, browse);
         }},
        {"Enter", [](const Shown& launcher) { PressKeys(launcher.handle, {{VK_TAB}, {VK_TAB}, {VK_RETURN}}); }},
        {"a screen reader's default action",
         [](const Shown& launcher) {
             ScreenReader reader(launcher.handle);
             const long browse = static_cast<long>(launcher.Model().PositionOf(Button(launcher, 1))) + 1;
             HRESULT pressed = E_FAIL;
             reader.Do([&](IAccessible& object) { pressed = object.accDoDefaultAction(ChildId(browse)); });
             EXPECT_EQ(pressed, S_OK);
         }},
    };
    const std::string folderName = disc_.Root().filename().string();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        std::vector<HWND> explorers;
        RunProgram(desktop_, [&](const Shown& launcher) {
            c.act(launcher);
            // Explorer may take a while to come up the first time.
            EXPECT_TRUE(PumpUntil([&] { return !(explorers = OtherWindowsTitled(folderName)).empty(); }, 3 * kWaitMs));
        });
        EXPECT_EQ(explorers.size(), 1U) << "windows titled \"" << folderName << "\"";
        CloseExplorers(explorers);
    }
    EXPECT_TRUE(boxes_.Boxes().empty());
}

} // namespace
} // namespace autorun::win32::test

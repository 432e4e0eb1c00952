// What the Wine test scripts ask of the desktop from inside Wine:
//   WindowTool geometry <title>   prints the window's place, client area, screen, whether it takes input
//                                 and whether it is active with the keyboard focus
//   WindowTool close <title>      asks the window to close, as its close box does
//   WindowTool keys <title> <key>...  brings the window to the front and types the keys as the
//                                 keyboard does: tab, shift+tab, left, right, up, down, enter, space,
//                                 escape
//   WindowTool listen <title> <log>  as a screen reader in its own process: hears the accessibility
//                                 events of the window's process until it ends, and writes each to
//                                 the log as the reader then sees it: event, window title, child
//                                 id, role, "name" and state (hex)
//   WindowTool hold               keeps the desktop up until the Wine session ends; without a program
//                                 on it Wine takes the desktop down after some seconds, and each test
//                                 would start (and wait for) another
// geometry and close exit with 1 when no such window is shown.
#include <windows.h>

#include <oleacc.h>
#include <shellapi.h>

#include "KeyInput.h"

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace {

using autorun::win32::test::KeyInput;

// The key's presses and releases, with Shift round it for "shift+"; none for a name it does not know.
std::vector<INPUT> Keystroke(std::wstring name)
{
    const bool shift = name.rfind(L"shift+", 0) == 0;
    if (shift)
        name.erase(0, 6);
    const std::pair<const wchar_t*, WORD> keys[] = {{L"tab", VK_TAB},     {L"left", VK_LEFT},   {L"right", VK_RIGHT},
                                                    {L"up", VK_UP},       {L"down", VK_DOWN},   {L"enter", VK_RETURN},
                                                    {L"space", VK_SPACE}, {L"escape", VK_ESCAPE}};
    for (const auto& [known, key] : keys) {
        if (name != known)
            continue;
        std::vector<INPUT> inputs;
        if (shift)
            inputs.push_back(KeyInput(VK_SHIFT, false));
        inputs.push_back(KeyInput(key, false));
        inputs.push_back(KeyInput(key, true));
        if (shift)
            inputs.push_back(KeyInput(VK_SHIFT, true));
        return inputs;
    }
    return {};
}

// Brings the window of another process to the front; the system lets a process that has just
// received input do so, and Wine any process.
bool ToFront(HWND window)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        SetForegroundWindow(window);
        if (GetForegroundWindow() == window)
            return true;
        Sleep(50);
    }
    return false;
}

FILE* eventLog = nullptr;

std::string Narrow(const wchar_t* text)
{
    if (text == nullptr)
        return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(size > 0 ? size - 1 : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, narrow.data(), size, nullptr, nullptr);
    return narrow;
}

struct Event {
    const char* name;
    HWND window;
    LONG child;
};
// Events heard and not yet reported, handed from the hook's thread to the reporting one.
std::vector<Event> heardEvents;
CRITICAL_SECTION heardLock;
HANDLE heardSignal = nullptr;

void CALLBACK Heard(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD, DWORD)
{
    const std::pair<DWORD, const char*> names[] = {{EVENT_OBJECT_FOCUS, "focus"},
                                                   {EVENT_OBJECT_SHOW, "show"},
                                                   {EVENT_OBJECT_HIDE, "hide"},
                                                   {EVENT_OBJECT_NAMECHANGE, "name"},
                                                   {EVENT_OBJECT_STATECHANGE, "state"}};
    for (const auto& [known, name] : names) {
        if (known == event && object == OBJID_CLIENT) {
            EnterCriticalSection(&heardLock);
            heardEvents.push_back({name, window, child});
            LeaveCriticalSection(&heardLock);
            SetEvent(heardSignal);
        }
    }
}

// What a screen reader does on hearing an event: asks the object it names, in the order heard.
void Report(const Event& heard)
{
    wchar_t title[256] = {};
    GetWindowTextW(heard.window, title, 256);
    IAccessible* accessible = nullptr;
    VARIANT id;
    VariantInit(&id);
    long role = 0;
    long state = 0;
    std::string label;
    if (SUCCEEDED(AccessibleObjectFromEvent(heard.window, OBJID_CLIENT, heard.child, &accessible, &id)) &&
        accessible != nullptr) {
        VARIANT value;
        VariantInit(&value);
        if (SUCCEEDED(accessible->get_accRole(id, &value)) && value.vt == VT_I4)
            role = value.lVal;
        VariantInit(&value);
        if (SUCCEEDED(accessible->get_accState(id, &value)) && value.vt == VT_I4)
            state = value.lVal;
        BSTR text = nullptr;
        if (SUCCEEDED(accessible->get_accName(id, &text)) && text != nullptr) {
            label = Narrow(text);
            SysFreeString(text);
        }
        accessible->Release();
    }
    std::fprintf(eventLog, "%s \"%s\" %ld %ld \"%s\" 0x%lx\n", heard.name, Narrow(title).c_str(), heard.child, role,
                 label.c_str(), state);
    std::fflush(eventLog);
}

// Reports what was heard, in order, from a thread of its own: asking crosses to the program, which may
// be raising an event meanwhile, and the hook's thread must be free to take it.
DWORD WINAPI Reporter(void*)
{
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    for (;;) {
        WaitForSingleObject(heardSignal, INFINITE);
        EnterCriticalSection(&heardLock);
        const std::vector<Event> events = std::exchange(heardEvents, {});
        LeaveCriticalSection(&heardLock);
        for (const Event& heard : events)
            Report(heard);
    }
}

// Hears the events of the window's process until that process ends.
int Listen(HWND window, const wchar_t* logPath)
{
    eventLog = _wfopen(logPath, L"w");
    if (eventLog == nullptr) {
        std::fprintf(stderr, "cannot write \"%ls\"\n", logPath);
        return 1;
    }
    InitializeCriticalSection(&heardLock);
    heardSignal = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
    const HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_SHOW, EVENT_OBJECT_NAMECHANGE, nullptr, Heard, processId, 0,
                                               WINEVENT_OUTOFCONTEXT);
    if (process == nullptr || hook == nullptr || CreateThread(nullptr, 0, Reporter, nullptr, 0, nullptr) == nullptr) {
        std::fprintf(stderr, "cannot listen to process %lu\n", processId);
        return 1;
    }
    std::fprintf(eventLog, "listening\n");
    std::fflush(eventLog);
    while (MsgWaitForMultipleObjects(1, &process, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) {
        for (MSG message; PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);)
            DispatchMessageW(&message);
    }
    UnhookWinEvent(hook);
    // What is still being reported is cut short with the process.
    std::fflush(eventLog);
    return 0;
}

} // namespace

int main()
{
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments != nullptr && count == 2 && std::wstring(arguments[1]) == L"hold") {
        // A window of its own, never shown, ties the process to the desktop.
        CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
        std::printf("holding the desktop\n");
        std::fflush(stdout);
        for (MSG message; GetMessageW(&message, nullptr, 0, 0) > 0;)
            DispatchMessageW(&message);
        return 0;
    }
    const bool keys = arguments != nullptr && count >= 4 && std::wstring(arguments[1]) == L"keys";
    const bool listen = arguments != nullptr && count == 4 && std::wstring(arguments[1]) == L"listen";
    if (arguments == nullptr || (count != 3 && !keys && !listen)) {
        std::fprintf(stderr, "usage: WindowTool geometry|close <title> | keys <title> <key>... | listen <title> <log> | hold\n");
        return 2;
    }
    const std::wstring command = arguments[1];
    const HWND window = FindWindowW(nullptr, arguments[2]);
    if (window == nullptr || !IsWindowVisible(window)) {
        std::fprintf(stderr, "no window titled \"%ls\" is shown\n", arguments[2]);
        return 1;
    }
    if (listen)
        return Listen(window, arguments[3]);
    if (command == L"close") {
        PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        return 0;
    }
    if (keys) {
        std::vector<INPUT> inputs;
        for (int i = 3; i < count; ++i) {
            const std::vector<INPUT> stroke = Keystroke(arguments[i]);
            if (stroke.empty()) {
                std::fprintf(stderr, "unknown key \"%ls\"\n", arguments[i]);
                return 2;
            }
            inputs.insert(inputs.end(), stroke.begin(), stroke.end());
        }
        if (!ToFront(window)) {
            std::fprintf(stderr, "could not bring \"%ls\" to the front\n", arguments[2]);
            return 1;
        }
        if (SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) != inputs.size()) {
            std::fprintf(stderr, "could not send the keys (error %lu)\n", GetLastError());
            return 1;
        }
        return 0;
    }
    if (command != L"geometry") {
        std::fprintf(stderr, "unknown command \"%ls\"\n", command.c_str());
        return 2;
    }
    RECT outer{};
    GetWindowRect(window, &outer);
    RECT client{};
    GetClientRect(window, &client);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    // Shell-friendly: the test sources these lines.
    std::printf("outer_x=%ld outer_y=%ld outer_w=%ld outer_h=%ld\n", outer.left, outer.top, outer.right - outer.left,
                outer.bottom - outer.top);
    std::printf("client_x=%ld client_y=%ld client_w=%ld client_h=%ld\n", origin.x, origin.y, client.right,
                client.bottom);
    std::printf("screen_w=%d screen_h=%d\n", GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    std::printf("enabled=%d\n", IsWindowEnabled(window) ? 1 : 0);
    // Whether the window is the active one of its thread and has its keyboard focus.
    GUITHREADINFO thread{};
    thread.cbSize = sizeof thread;
    const bool known = GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &thread) != 0;
    std::printf("active=%d focused=%d\n", known && thread.hwndActive == window ? 1 : 0,
                known && thread.hwndFocus == window ? 1 : 0);
    return 0;
}

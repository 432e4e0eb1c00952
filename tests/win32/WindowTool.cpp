// What the Wine test scripts ask of the desktop from inside Wine:
//   WindowTool geometry <title>   prints the window's place, client area, screen, whether it takes input
//                                 and whether it is active with the keyboard focus
//   WindowTool close <title>      asks the window to close, as its close box does
//   WindowTool keys <title> <key>...  brings the window to the front and types the keys as the
//                                 keyboard does: tab, shift+tab, left, right, up, down, enter, space,
//                                 escape
//   WindowTool hold               keeps the desktop up until the Wine session ends; without a program
//                                 on it Wine takes the desktop down after some seconds, and each test
//                                 would start (and wait for) another
// geometry and close exit with 1 when no such window is shown.
#include <windows.h>

#include <shellapi.h>

#include "KeyInput.h"

#include <cstdio>
#include <string>
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
    if (arguments == nullptr || (count != 3 && !keys)) {
        std::fprintf(stderr, "usage: WindowTool geometry|close <title> | keys <title> <key>... | hold\n");
        return 2;
    }
    const std::wstring command = arguments[1];
    const HWND window = FindWindowW(nullptr, arguments[2]);
    if (window == nullptr || !IsWindowVisible(window)) {
        std::fprintf(stderr, "no window titled \"%ls\" is shown\n", arguments[2]);
        return 1;
    }
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

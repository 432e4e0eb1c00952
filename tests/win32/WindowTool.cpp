// What the Wine test scripts ask of the desktop from inside Wine:
//   WindowTool geometry <title>   prints the window's place, client area, screen and whether it takes input
//   WindowTool close <title>      asks the window to close, as its close box does
//   WindowTool hold               keeps the desktop up until the Wine session ends; without a program
//                                 on it Wine takes the desktop down after some seconds, and each test
//                                 would start (and wait for) another
// geometry and close exit with 1 when no such window is shown.
#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <string>

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
    if (arguments == nullptr || count != 3) {
        std::fprintf(stderr, "usage: WindowTool geometry|close <title> | hold\n");
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
    return 0;
}

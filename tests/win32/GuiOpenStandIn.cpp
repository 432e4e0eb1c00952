// Stands in for the application the shell opens documents with: it logs how it was started, one
// line a call, "<show command>|<argument count>|<first argument>", to the file AUTORUN_OPEN_LOG names.
#include <windows.h>

#include <shellapi.h>

#include <string>

namespace {

std::string Utf8(const std::wstring& wide)
{
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), static_cast<int>(wide.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string text(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), static_cast<int>(wide.size()), text.data(), length, nullptr,
                        nullptr);
    return text;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    wchar_t log[MAX_PATH] = {};
    if (GetEnvironmentVariableW(L"AUTORUN_OPEN_LOG", log, MAX_PATH) == 0)
        return 2;
    STARTUPINFOW startup{};
    GetStartupInfoW(&startup);
    const int show = (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 ? startup.wShowWindow : -1;
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    const std::wstring first = arguments != nullptr && count > 1 ? arguments[1] : L"";
    const std::string line = std::to_string(show) + "|" + std::to_string(count - 1) + "|" + Utf8(first) + "\n";
    LocalFree(arguments);

    // One write, so lines of calls close together do not mix.
    const HANDLE file = CreateFileW(log, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(file);
    return 0;
}

#include "platform/win32/Win32Desktop.h"

#include "app/Failure.h"
#include "platform/win32/Dpi.h"
#include "platform/win32/FormWindow.h"
#include "platform/win32/WideText.h"
#include "ui/Form.h"

#include <shellapi.h>

#include <cstdio>
#include <vector>

namespace autorun::win32 {
namespace {

// ERROR_ELEVATION_REQUIRED, which MinGW's headers lack.
constexpr DWORD kElevationRequired = 740;

[[noreturn]] void ThrowSystemFailure(DWORD error, const std::string& what)
{
    throw Failure(static_cast<long>(error), what + ": " + SystemMessage(error));
}

std::wstring WindowsFolder()
{
    std::wstring folder(MAX_PATH, L'\0');
    const UINT length = GetWindowsDirectoryW(folder.data(), MAX_PATH);
    folder.resize(length < MAX_PATH ? length : 0);
    return folder;
}

// Starts application with commandLine, a normal, focused window, and does not wait for it.
// Returns the system's error code, or 0 once it is running.
DWORD Start(const std::wstring& application, std::wstring commandLine)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return GetLastError();
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 0;
}

} // namespace

std::string Win32Desktop::ReadProfileString(std::string_view section, std::string_view key,
                                            std::string_view defaultValue, std::size_t bufferSize,
                                            std::string_view file)
{
    if (bufferSize == 0)
        return {};
    // The wide reader takes an 8-bit file in the system code page, as the 8-bit one does, and
    // a launch folder named outside that code page still works.
    std::vector<wchar_t> buffer(bufferSize, L'\0');
    const DWORD copied = GetPrivateProfileStringW(Wide(section).c_str(), Wide(key).c_str(),
                                                  Wide(defaultValue).c_str(), buffer.data(),
                                                  static_cast<DWORD>(bufferSize), Wide(file).c_str());
    return Utf8(std::wstring_view(buffer.data(), copied));
}

std::string Win32Desktop::ProgramFolder()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            ThrowSystemFailure(GetLastError(), "Cannot find the program's own file");
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    path.erase(path.find_last_of(L'\\') + 1);
    // "D:\" keeps its backslash; "D:\kit\" loses it.
    if (path.size() > 1 && path.back() == L'\\' && path[path.size() - 2] != L':')
        path.pop_back();
    return Utf8(path);
}

// The screen, the frames and the positions the logic sets all in the system's density, where the
// windows are created: centring then comes out to the pixel.
ui::Size Win32Desktop::ScreenSize()
{
    const int dpi = SystemDpi();
    return {ui::ToTwips(GetSystemMetrics(SM_CXSCREEN), dpi), ui::ToTwips(GetSystemMetrics(SM_CYSCREEN), dpi)};
}

ui::Size Win32Desktop::OuterSize(const ui::Window& window)
{
    const int dpi = SystemDpi();
    const SIZE outer = FormWindow::OuterPixels(window, dpi);
    return {ui::ToTwips(outer.cx, dpi), ui::ToTwips(outer.cy, dpi)};
}

std::string Win32Desktop::FindFile(std::string_view path)
{
    const std::wstring wide = Wide(path);
    // The path names one file; a "*" or "?" in it would make the lookup match others.
    if (wide.find_first_of(L"*?") != std::wstring::npos)
        return {};
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileExW(wide.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_NO_MORE_FILES)
            return {};
        ThrowSystemFailure(error, "Cannot look for \"" + std::string(path) + "\"");
    }
    std::string name;
    constexpr DWORD kNotNormal = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY;
    do {
        if ((found.dwFileAttributes & kNotNormal) == 0) {
            name = Utf8(found.cFileName);
            break;
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return name;
}

void Win32Desktop::StartProgram(std::string_view path)
{
    const std::wstring program = Wide(path);
    // Quoted, so that a blank in the path does not start another program.
    DWORD error = Start(program, L"\"" + program + L"\"");
    if (error == kElevationRequired) {
        // An installer that asks for administrator rights: the shell asks the user for them.
        SHELLEXECUTEINFOW execute{};
        execute.cbSize = sizeof execute;
        execute.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
        execute.hwnd = launcher_ != nullptr ? launcher_->Handle() : nullptr;
        execute.lpVerb = L"open";
        execute.lpFile = program.c_str();
        execute.nShow = SW_SHOWNORMAL;
        error = ShellExecuteExW(&execute) ? 0 : GetLastError();
    }
    if (error != 0)
        ThrowSystemFailure(error, "Cannot start \"" + std::string(path) + "\"");
}

void Win32Desktop::BrowseFolder(std::string_view folder)
{
    std::wstring target = Wide(folder);
    // Explorer reads its command line its own way; a quoted folder must not end in "\" unless it is a root.
    if (target.size() > 3 && target.back() == L'\\')
        target.pop_back();
    const DWORD error = Start(WindowsFolder() + L"\\explorer.exe", L"explorer.exe \"" + target + L"\"");
    if (error != 0)
        ThrowSystemFailure(error, "Cannot open \"" + std::string(folder) + "\" in Explorer");
}

void Win32Desktop::OpenDocument(const ui::Window& owner, std::string_view path)
{
    // The shell tells the user itself when it cannot open the document.
    ShellExecuteW(OwnerFor(owner), nullptr, Wide(path).c_str(), nullptr, L"", SW_SHOWMAXIMIZED);
}

void Win32Desktop::ShowMessage(const ui::Window& owner, std::string_view text)
{
    MessageBoxW(OwnerFor(owner), Wide(text).c_str(), Wide(kProgramTitle).c_str(), MB_OK);
}

void Win32Desktop::ShowModal(Form& form)
{
    const HWND owner = launcher_ != nullptr ? launcher_->Handle() : nullptr;
    FormWindow window(form, owner);
    windows_[&form.Window()] = &window;
    if (owner != nullptr)
        EnableWindow(owner, FALSE);
    window.Show();
    int quitCode = 0;
    const bool quit = !RunUntilClosed(window, quitCode);
    // The owner takes input again before the window goes, so Windows activates it and not another program.
    if (owner != nullptr)
        EnableWindow(owner, TRUE);
    windows_.erase(&form.Window());
    if (quit)
        PostQuitMessage(quitCode); // for the loop that runs the launcher
}

int Win32Desktop::Run(Form& form)
{
    FormWindow window(form, nullptr);
    launcher_ = &window;
    windows_[&form.Window()] = &window;
    window.Show();
    int quitCode = 0;
    const bool quit = !RunUntilClosed(window, quitCode);
    windows_.erase(&form.Window());
    launcher_ = nullptr;
    return quit ? quitCode : 0;
}

bool Win32Desktop::RunUntilClosed(const FormWindow& window, int& quitCode) const
{
    MSG message{};
    while (!window.CloseRequested() && (launcher_ == nullptr || !launcher_->CloseRequested())) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {
            quitCode = static_cast<int>(message.wParam);
            return false;
        }
        if (got == -1)
            return false;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return true;
}

void Win32Desktop::EndWithReport(std::string_view report)
{
    std::fprintf(stderr, "%.*s\n", static_cast<int>(report.size()), report.data());
    std::fflush(stderr);
    HWND owner = GetActiveWindow();
    if (owner == nullptr && launcher_ != nullptr)
        owner = launcher_->Handle();
    MessageBoxW(owner, Wide(report).c_str(), Wide(kProgramTitle).c_str(), MB_OK | MB_ICONERROR);
    ExitProcess(1);
}

FormWindow* Win32Desktop::WindowOf(const ui::Window& window) const
{
    const auto found = windows_.find(&window);
    return found == windows_.end() ? nullptr : found->second;
}

HWND Win32Desktop::OwnerFor(const ui::Window& window) const
{
    if (const FormWindow* shown = WindowOf(window); shown != nullptr && shown->Handle() != nullptr)
        return shown->Handle();
    return GetActiveWindow();
}

} // namespace autorun::win32

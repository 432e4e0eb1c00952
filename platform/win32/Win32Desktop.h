// The desktop on Windows, through the Win32 API alone: a FormWindow for each window shown, the
// system's profile reader, file lookup, process start and shell. What happens, and when,
// stays with the program's logic.
#pragma once

#include "platform/Desktop.h"

#include <windows.h>

#include <map>

namespace autorun::win32 {

class FormWindow;

class Win32Desktop : public Desktop {
public:
    Win32Desktop() = default;
    Win32Desktop(const Win32Desktop&) = delete;
    Win32Desktop& operator=(const Win32Desktop&) = delete;

    std::string ReadProfileString(std::string_view section, std::string_view key, std::string_view defaultValue,
                                  std::size_t bufferSize, std::string_view file) override;
    std::string ProgramFolder() override;
    ui::Size ScreenSize() override;
    ui::Size OuterSize(const ui::Window& window) override;
    std::string FindFile(std::string_view path) override;
    void StartProgram(std::string_view path) override;
    void BrowseFolder(std::string_view folder) override;
    void OpenDocument(const ui::Window& owner, std::string_view path) override;
    void ShowMessage(const ui::Window& owner, std::string_view text) override;
    void ShowModal(Form& form) override;
    int Run(Form& form) override;
    [[noreturn]] void EndWithReport(std::string_view report) override;

    // The Win32 window showing window, or null while it is not shown.
    FormWindow* WindowOf(const ui::Window& window) const;

private:
    // Runs the thread's messages until window has been asked to close, or the launcher has.
    // Returns false when WM_QUIT arrived instead.
    bool RunUntilClosed(const FormWindow& window, int& quitCode) const;
    HWND OwnerFor(const ui::Window& window) const;

    std::map<const ui::Window*, FormWindow*> windows_;
    FormWindow* launcher_ = nullptr;
};

} // namespace autorun::win32

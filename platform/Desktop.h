// The desktop services the program's logic calls, behind one small interface so the
// logic runs unchanged on each desktop and under test. Path texts use "\" separators;
// each desktop maps them to its own file system. Texts are UTF-8.
#pragma once

#include "ui/Geometry.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace autorun {

class Form;

namespace ui {
class Window;
}

inline constexpr std::string_view kProgramTitle = "Autorun";

class Desktop {
public:
    virtual ~Desktop() = default;

    // The profile reader: the value of key in section of file, or defaultValue when
    // there is none, as a buffer of bufferSize characters receives it (at most
    // bufferSize - 1 characters). Never fails.
    virtual std::string ReadProfileString(std::string_view section, std::string_view key,
                                          std::string_view defaultValue, std::size_t bufferSize,
                                          std::string_view file) = 0;

    // The folder holding the running program, ending in "\" only at a root.
    virtual std::string ProgramFolder() = 0;

    virtual ui::Size ScreenSize() = 0;
    // The window's outer size: its client area plus the frame the desktop draws.
    virtual ui::Size OuterSize(const ui::Window& window) = 0;

    // The name of the normal file at path, or "" when there is none: hidden and
    // system files and folders do not match. Throws Failure when the lookup fails.
    virtual std::string FindFile(std::string_view path) = 0;

    // Starts the program at path with a normal, focused window and returns at once.
    // The path is one argument, never split at blanks. Throws Failure when it cannot start.
    virtual void StartProgram(std::string_view path) = 0;

    // Opens folder in the desktop's file browser and returns at once. Throws Failure.
    virtual void BrowseFolder(std::string_view folder) = 0;

    // Asks the desktop to open path, maximised, with the application it associates
    // with it, owned by owner. Returns at once; the outcome is the desktop's business.
    virtual void OpenDocument(const ui::Window& owner, std::string_view path) = 0;

    // A modal box titled kProgramTitle with an OK button only and no icon.
    virtual void ShowMessage(const ui::Window& owner, std::string_view text) = 0;

    // Shows the form's window modally; returns once it has been closed.
    virtual void ShowModal(Form& form) = 0;

    // Shows the start-up form and runs until it is closed; returns the exit status.
    virtual int Run(Form& form) = 0;

    // Tells the user of a failure that no handler caught, then ends the program.
    [[noreturn]] virtual void EndWithReport(std::string_view report) = 0;
};

} // namespace autorun

// Tells the user why the launcher cannot start: on standard error, and where there is a display, in a
// box through the first of zenity, kdialog and xmessage the desktop has (the starter has no toolkit).
#pragma once

#include <filesystem>
#include <string>

namespace autorun::starter {

// Whether DISPLAY or WAYLAND_DISPLAY names a display to show a window on.
bool HasDisplay();

void Tell(const std::string& message);

// On standard error only: what the starter did about something the user need not act on.
void Say(const std::string& message);

// Where there is a display, opens folder in the desktop's file manager (through xdg-open, left to
// run on its own) and then tells message: the box says why the launcher is not there, and the disc's
// own files are in reach beside it.
void TellAndOpen(const std::string& message, const std::filesystem::path& folder);

} // namespace autorun::starter

// Tells the user why the launcher cannot start: on standard error, and where there is a display, in a
// box through the first of zenity, kdialog and xmessage the desktop has (the starter has no toolkit).
#pragma once

#include <string>

namespace autorun::starter {

void Tell(const std::string& message);

} // namespace autorun::starter

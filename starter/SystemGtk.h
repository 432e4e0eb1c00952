// Whether the desktop's own GTK 3 can run the disc's GTK program: GTK 3 and the bridge that screen
// readers reach its windows through, loaded once here from the desktop's disk as the program would
// load them. The glibc the program needs is checked apart, with what it needs of the other libraries.
#pragma once

#include <optional>
#include <string>

namespace autorun::starter {

// The loader's reason the desktop's GTK 3 cannot run the program; nothing when it can.
std::optional<std::string> SystemGtkMissing();

} // namespace autorun::starter

// Whether the desktop's own Qt can run the disc program: Qt 6 at the version the program was built
// against or later, with its X11 platform plugin and the JPEG plugin the splash picture needs.
// Everything is loaded once here, from the desktop's disk, as the program would load it.
#pragma once

#include <string_view>

namespace autorun::starter {

bool SystemQtCanRun(std::string_view builtVersion);

} // namespace autorun::starter

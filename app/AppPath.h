// The launch folder and the settings file inside it; every file the program
// reads is found relative to the folder it was started from.
#pragma once

#include <string>
#include <string_view>

namespace autorun {

inline constexpr std::string_view kInfFileName = "autorun.inf";

// The program's folder as the desktop reports it, with "\" appended unless it ends in one.
std::string ResolveAppPath(std::string_view programFolder);

// AppPath followed by the settings file's name.
std::string InfFilePath(std::string_view appPath);

} // namespace autorun

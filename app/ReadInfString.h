// Reading one value of the settings file. Never fails: a missing file, section or
// key gives the empty text, and the caller keeps what it had.
#pragma once

#include <string>
#include <string_view>

namespace autorun {

class Desktop;

// The value as the profile reader delivers it into a 127-character buffer (so at most
// 126 characters), or "" when it has fewer than two characters.
std::string ReadInfString(Desktop& desktop, std::string_view section, std::string_view key, std::string_view file);

} // namespace autorun

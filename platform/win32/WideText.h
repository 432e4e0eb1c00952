// Conversions between the program's UTF-8 texts and the UTF-16 the wide Windows API takes,
// and the system's own wording for an error number.
#pragma once

#include <string>
#include <string_view>

namespace autorun::win32 {

std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view wide);

// The system's message for a Windows error code, without the trailing line break.
std::string SystemMessage(unsigned long error);

} // namespace autorun::win32

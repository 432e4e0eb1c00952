#include "app/ReadInfString.h"

#include "platform/Desktop.h"

#include <algorithm>

namespace autorun {
namespace {

constexpr std::size_t kBufferSize = 127;

std::size_t CharacterCount(std::string_view utf8)
{
    return static_cast<std::size_t>(
        std::count_if(utf8.begin(), utf8.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

} // namespace

std::string ReadInfString(Desktop& desktop, std::string_view section, std::string_view key, std::string_view file)
{
    std::string value = desktop.ReadProfileString(section, key, "", kBufferSize, file);
    // More than one character: a value of a single character reads as empty.
    if (CharacterCount(value) > 1)
        return value;
    return {};
}

} // namespace autorun

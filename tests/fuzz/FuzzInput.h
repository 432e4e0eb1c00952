// How a fuzzer input spells one lookup: a byte of buffer size, then section, key and default,
// each ended by a NUL, then the profile's bytes. Missing parts are empty.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace autorun::fuzz {

struct Input {
    std::size_t bufferSize = 0;
    std::string_view section;
    std::string_view key;
    std::string_view defaultValue;
    std::string_view profile;
};

inline Input Parse(std::string_view data)
{
    Input in;
    if (data.empty())
        return in;
    in.bufferSize = static_cast<unsigned char>(data.front());
    data.remove_prefix(1);
    for (std::string_view* part : {&in.section, &in.key, &in.defaultValue}) {
        const std::size_t end = data.find('\0');
        *part = data.substr(0, end);
        data.remove_prefix(end == std::string_view::npos ? data.size() : end + 1);
    }
    in.profile = data;
    return in;
}

inline std::string Spell(std::size_t bufferSize, std::string_view section, std::string_view key,
                         std::string_view defaultValue, std::string_view profile)
{
    std::string data(1, static_cast<char>(bufferSize > 255 ? 255 : bufferSize));
    for (std::string_view part : {section, key, defaultValue}) {
        data += part;
        data += '\0';
    }
    return data += profile;
}

} // namespace autorun::fuzz

#include "platform/portable/ProfileReader.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <optional>
#include <system_error>

namespace autorun::profile {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Windows-1252 from 0x80 to 0x9F; the five bytes it leaves undefined keep their own code points,
// as Windows converts them.
constexpr std::array<char16_t, 32> kCp1252Controls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

unsigned char Byte(std::string_view text, std::size_t i)
{
    return static_cast<unsigned char>(text[i]);
}

bool StartsWithBytes(std::string_view text, std::initializer_list<unsigned char> prefix)
{
    if (text.size() < prefix.size())
        return false;
    std::size_t i = 0;
    for (unsigned char expected : prefix) {
        if (Byte(text, i++) != expected)
            return false;
    }
    return true;
}

// Writes c as UTF-8 at out, which has room for four bytes, and returns the end of what it wrote.
char* PutUtf8(char* out, char32_t c)
{
    if (c < 0x80) {
        *out++ = static_cast<char>(c);
    } else if (c < 0x800) {
        *out++ = static_cast<char>(0xC0 | (c >> 6));
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *out++ = static_cast<char>(0xE0 | (c >> 12));
        *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
    } else {
        *out++ = static_cast<char>(0xF0 | (c >> 18));
        *out++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

// Room for the worst case is reserved once, so the large-file case makes one allocation; only the
// pages actually written are ever touched, so a file that decodes short costs no more than that.
class Utf8Writer {
public:
    explicit Utf8Writer(std::size_t maximum) { text_.reserve(maximum); }

    void Put(char32_t c)
    {
        char bytes[4];
        text_.append(bytes, PutUtf8(bytes, c));
    }
    void Put(std::string_view bytes) { text_.append(bytes); }
    std::string Take() { return std::move(text_); }

private:
    std::string text_;
};

// The length of the well-formed UTF-8 sequence starting at text[i], or 0 when there is none
// (overlong forms, surrogates and code points above U+10FFFF are not well-formed).
std::size_t SequenceLength(std::string_view text, std::size_t i)
{
    const unsigned char lead = Byte(text, i);
    if (lead < 0x80)
        return 1;
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (text.size() - i < length || Byte(text, i + 1) < low || Byte(text, i + 1) > high)
        return 0;
    for (std::size_t k = 2; k < length; ++k) {
        if ((Byte(text, i + k) & 0xC0) != 0x80)
            return 0;
    }
    return length;
}

bool IsUtf8(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        // Settings are mostly ASCII: skip it eight bytes at a time.
        std::uint64_t eight = 0;
        if (text.size() - i >= sizeof eight) {
            std::memcpy(&eight, text.data() + i, sizeof eight);
            if ((eight & 0x8080808080808080U) == 0) {
                i += sizeof eight;
                continue;
            }
        }
        if (Byte(text, i) < 0x80) {
            ++i;
            continue;
        }
        const std::size_t length = SequenceLength(text, i);
        if (length == 0)
            return false;
        i += length;
    }
    return true;
}

std::string RepairedUtf8(std::string_view text)
{
    Utf8Writer out(text.size() * 3);
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = SequenceLength(text, i);
        if (length == 0) {
            out.Put(kReplacement);
            ++i;
        } else {
            out.Put(text.substr(i, length));
            i += length;
        }
    }
    return out.Take();
}

std::string FromCp1252(std::string_view bytes)
{
    Utf8Writer out(bytes.size() * 3);
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80)
            out.Put(static_cast<char32_t>(b));
        else if (b < 0xA0)
            out.Put(kCp1252Controls[b - 0x80]);
        else
            out.Put(static_cast<char32_t>(b));
    }
    return out.Take();
}

std::string FromUtf16(std::string_view bytes, bool bigEndian)
{
    const auto unit = [&](std::size_t k) {
        const unsigned first = Byte(bytes, 2 * k);
        const unsigned second = Byte(bytes, 2 * k + 1);
        return static_cast<char32_t>(bigEndian ? (first << 8 | second) : (second << 8 | first));
    };
    const auto isHigh = [](char32_t u) { return u >= 0xD800 && u <= 0xDBFF; };
    const auto isLow = [](char32_t u) { return u >= 0xDC00 && u <= 0xDFFF; };

    const std::size_t count = bytes.size() / 2; // a last odd byte is half a character: dropped
    Utf8Writer out(count * 3);
    for (std::size_t k = 0; k < count; ++k) {
        char32_t c = unit(k);
        if (isHigh(c) && k + 1 < count && isLow(unit(k + 1))) {
            c = 0x10000 + ((c - 0xD800) << 10) + (unit(k + 1) - 0xDC00);
            ++k;
        } else if (isHigh(c) || isLow(c)) {
            c = kReplacement;
        }
        out.Put(c);
    }
    return out.Take();
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\x1A';
}

bool IsLineEnd(char c)
{
    return c == '\r' || c == '\n';
}

template <class Drop>
std::string_view Trimmed(std::string_view text, Drop drop)
{
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && drop(text[first]))
        ++first;
    while (last > first && drop(text[last - 1]))
        --last;
    return text.substr(first, last - first);
}

std::string_view Trimmed(std::string_view text)
{
    return Trimmed(text, IsBlank);
}

// The names asked for lose the blanks and line ends around them, as the file's names do.
std::string_view TrimmedName(std::string_view name)
{
    return Trimmed(name, [](char c) { return IsBlank(c) || IsLineEnd(c); });
}

// A default loses its trailing spaces, though never its first character.
std::string_view TrimmedDefault(std::string_view text)
{
    std::size_t last = text.size();
    while (last > 1 && text[last - 1] == ' ')
        --last;
    return text.substr(0, last);
}

// A NUL ends the name or value it is in; it ends neither the line nor the section header.
std::string_view BeforeNul(std::string_view text)
{
    return text.substr(0, text.find('\0'));
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

struct Value {
    std::string_view text;
    bool quoted = false; // it lost a pair of quotes
};

Value Unquoted(std::string_view value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return {value.substr(1, value.size() - 2), true};
    return {value};
}

std::size_t CharacterCount(std::string_view utf8)
{
    return static_cast<std::size_t>(
        std::count_if(utf8.begin(), utf8.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// What a buffer of bufferSize characters receives: the first bufferSize - 1 characters, where a
// character is a lead byte with its continuation bytes, so a sequence is never split.
std::string Cut(std::string_view text, std::size_t bufferSize)
{
    if (bufferSize == 0)
        return {};
    const std::size_t limit = bufferSize - 1;
    std::size_t characters = 0;
    std::size_t end = 0;
    for (; end < text.size(); ++end) {
        if ((Byte(text, end) & 0xC0) != 0x80) {
            if (characters == limit)
                break;
            ++characters;
        }
    }
    return std::string(text.substr(0, end));
}

// The reader copies a quoted value with its closing quote and then drops the last character it
// copied; when the text inside the quotes exactly fills the buffer, that is the text's own last one.
std::string CutValue(const Value& value, std::size_t bufferSize)
{
    if (value.quoted && bufferSize > 0 && CharacterCount(value.text) == bufferSize - 1)
        return Cut(value.text, bufferSize - 1);
    return Cut(value.text, bufferSize);
}

std::string DefaultValue(std::string_view defaultValue, std::size_t bufferSize)
{
    return Cut(TrimmedDefault(defaultValue), bufferSize);
}

// The section and key in Windows-1252, to be compared with a file's own bytes; std::nullopt
// when a character has no Windows-1252 byte, so that no name in such a file can match.
std::optional<std::string> ToCp1252(std::string_view text)
{
    std::string bytes;
    bytes.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = SequenceLength(text, i);
        if (length == 0)
            return std::nullopt;
        char32_t c = Byte(text, i) & (length == 1 ? 0x7F : 0xFF >> (length + 1));
        for (std::size_t k = 1; k < length; ++k)
            c = (c << 6) | (Byte(text, i + k) & 0x3F);
        i += length;
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            bytes += static_cast<char>(c);
            continue;
        }
        const auto* found = std::find(kCp1252Controls.begin(), kCp1252Controls.end(), c);
        if (found == kCp1252Controls.end())
            return std::nullopt;
        bytes += static_cast<char>(0x80 + (found - kCp1252Controls.begin()));
    }
    return bytes;
}

// The value of key in the first section named section, trimmed and unquoted but not cut, or
// std::nullopt. Works on UTF-8 and on Windows-1252 bytes alike: every byte that shapes a line
// (line ends, blanks, brackets, "=", quotes, NUL) is ASCII in both and means itself. One pass,
// each byte looked at a bounded number of times, however long the file or its lines.
std::optional<Value> FindValue(std::string_view text, std::string_view section, std::string_view key)
{
    // The lines before the first header make up a section with the empty name, always the first of that name.
    bool inSection = section.empty();
    std::size_t position = 0;
    while (position < text.size()) {
        const std::size_t start = position;
        while (position < text.size() && !IsLineEnd(text[position]))
            ++position;
        const std::string_view line = Trimmed(text.substr(start, position - start));
        while (position < text.size() && IsLineEnd(text[position]))
            ++position;

        if (line.empty())
            continue;
        if (line.front() == '[') {
            const std::size_t close = line.rfind(']');
            if (close != std::string_view::npos) {
                // Only the first section of a name counts; its end ends the search.
                if (inSection)
                    return std::nullopt;
                inSection = EqualsIgnoringCase(BeforeNul(Trimmed(line.substr(1, close - 1))), section);
                continue;
            }
        }
        if (!inSection)
            continue;
        const std::size_t equals = line.find('=');
        if (!EqualsIgnoringCase(BeforeNul(Trimmed(line.substr(0, equals))), key))
            continue;
        if (equals == std::string_view::npos)
            return Value{};
        return Unquoted(BeforeNul(Trimmed(line.substr(equals + 1))));
    }
    return std::nullopt;
}

} // namespace

std::string Lookup(std::string_view bytes, std::string_view section, std::string_view key,
                   std::string_view defaultValue, std::size_t bufferSize)
{
    section = TrimmedName(section);
    key = TrimmedName(key);
    std::optional<Value> value;
    std::string decoded;
    if (StartsWithBytes(bytes, {0xEF, 0xBB, 0xBF})) {
        const std::string_view rest = bytes.substr(3);
        if (IsUtf8(rest)) {
            value = FindValue(rest, section, key);
        } else {
            decoded = RepairedUtf8(rest);
            value = FindValue(decoded, section, key);
        }
    } else if (StartsWithBytes(bytes, {0xFF, 0xFE}) || StartsWithBytes(bytes, {0xFE, 0xFF})) {
        decoded = FromUtf16(bytes.substr(2), Byte(bytes, 0) == 0xFE);
        value = FindValue(decoded, section, key);
    } else if (IsUtf8(bytes)) {
        value = FindValue(bytes, section, key);
    } else {
        // Windows-1252 is searched as it is, and only the value found is decoded.
        const std::optional<std::string> sectionBytes = ToCp1252(section);
        const std::optional<std::string> keyBytes = ToCp1252(key);
        if (sectionBytes && keyBytes)
            value = FindValue(bytes, *sectionBytes, *keyBytes);
        if (value) {
            decoded = FromCp1252(value->text);
            value->text = decoded;
        }
    }
    return value ? CutValue(*value, bufferSize) : DefaultValue(defaultValue, bufferSize);
}

std::string ReadProfileString(std::string_view section, std::string_view key, std::string_view defaultValue,
                              std::size_t bufferSize, const std::filesystem::path& file)
{
    try {
        std::error_code error;
        if (!std::filesystem::is_regular_file(file, error))
            return DefaultValue(defaultValue, bufferSize);
        const std::uintmax_t size = std::filesystem::file_size(file, error);
        std::ifstream stream(file, std::ios::binary);
        if (error || !stream)
            return DefaultValue(defaultValue, bufferSize);
        // Appended a piece at a time rather than read into a string filled with zeros first: a large
        // file's memory is then touched once, not twice.
        std::string bytes;
        bytes.reserve(static_cast<std::size_t>(size));
        std::array<char, 1 << 16> piece;
        while (stream.read(piece.data(), piece.size()) || stream.gcount() > 0)
            bytes.append(piece.data(), static_cast<std::size_t>(stream.gcount()));
        if (stream.bad())
            return DefaultValue(defaultValue, bufferSize);
        return Lookup(bytes, section, key, defaultValue, bufferSize);
    } catch (...) {
        // Settings that cannot be read are settings that are not there.
        return DefaultValue(defaultValue, bufferSize);
    }
}

} // namespace autorun::profile

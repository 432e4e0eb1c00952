#include "platform/portable/TextDecoding.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

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

void PutUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// What stands at text[i]: a well-formed sequence of `length` bytes, no such sequence, or the start
// of one that the end of the text cuts off.
struct Sequence {
    enum class Kind { Whole, Broken, Cut };
    Kind kind;
    std::size_t length = 0;
};

Sequence Examine(std::string_view text, std::size_t i)
{
    const unsigned char lead = Byte(text, i);
    if (lead < 0x80)
        return {Sequence::Kind::Whole, 1};
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return {Sequence::Kind::Broken};
    }
    const std::size_t available = std::min(length, text.size() - i);
    for (std::size_t k = 1; k < available; ++k) {
        const unsigned char next = Byte(text, i + k);
        if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF))
            return {Sequence::Kind::Broken};
    }
    return {available < length ? Sequence::Kind::Cut : Sequence::Kind::Whole, length};
}

// Walks text[0, limit) a character at a time, handing each well-formed sequence to whole and each
// byte that is no part of one to broken; a sequence may reach past limit, into the rest of text.
// Stops when broken returns false, or at a sequence cut off by the end of the text unless that end
// is the last. Returns where it stopped: at limit or beyond when it went all the way.
template <class Whole, class Broken>
std::size_t Walk(std::string_view text, std::size_t limit, bool last, Whole whole, Broken broken)
{
    std::size_t i = 0;
    while (i < limit) {
        // Settings are mostly ASCII: eight bytes at a time where they are.
        std::uint64_t eight = 0;
        if (limit - i >= sizeof eight) {
            std::memcpy(&eight, text.data() + i, sizeof eight);
            if ((eight & 0x8080808080808080U) == 0) {
                whole(text.substr(i, sizeof eight));
                i += sizeof eight;
                continue;
            }
        }
        const Sequence sequence = Examine(text, i);
        if (sequence.kind == Sequence::Kind::Cut && !last)
            return i;
        if (sequence.kind == Sequence::Kind::Whole) {
            whole(text.substr(i, sequence.length));
            i += sequence.length;
        } else {
            if (!broken())
                return i;
            ++i;
        }
    }
    return i;
}

// Walks a piece: first what the last piece left over, completed by this one's first bytes, then
// the rest of this one. What the end of the piece cuts off is left over in carry for the next.
template <class Whole, class Broken>
void WalkPiece(std::string& carry, std::string_view piece, bool last, Whole whole, Broken broken)
{
    if (!carry.empty()) {
        // What is carried is the start of one character, four bytes at most: three more complete it.
        const std::size_t carried = carry.size();
        const std::string joined = carry + std::string(piece.substr(0, 3));
        const bool reachesEnd = piece.size() <= 3;
        const std::size_t stop = Walk(joined, carried, last && reachesEnd, whole, broken);
        if (stop < carried) {
            // Broken stopped the walk, or the piece was too short to complete the character.
            carry = joined.substr(stop);
            return;
        }
        carry.clear();
        piece.remove_prefix(stop - carried);
    }
    const std::size_t stop = Walk(piece, piece.size(), last, whole, broken);
    // Only the start of a character can be left over; when broken stopped the walk, nothing is.
    if (piece.size() - stop < 4)
        carry.assign(piece.substr(stop));
}

} // namespace

bool Utf8Check::Feed(std::string_view piece)
{
    if (good_)
        WalkPiece(carry_, piece, false, [](std::string_view) {}, [this] { return good_ = false; });
    return good_;
}

std::string_view Utf8Repair::Feed(std::string_view piece)
{
    return Repair(piece, false);
}

std::string_view Utf8Repair::Finish()
{
    return Repair({}, true);
}

std::string_view Utf8Repair::Repair(std::string_view piece, bool last)
{
    out_.clear();
    out_.reserve(piece.size() + carry_.size() + 8);
    WalkPiece(
        carry_, piece, last, [this](std::string_view sequence) { out_ += sequence; },
        [this] {
            PutUtf8(out_, kReplacement);
            return true;
        });
    return out_;
}

std::string_view Utf16Decoder::Feed(std::string_view piece)
{
    out_.clear();
    out_.reserve(piece.size() / 2 * 3 + 8);
    std::size_t i = 0;
    if (oddByte_ && !piece.empty()) {
        const unsigned char first = *oddByte_;
        const unsigned char second = Byte(piece, 0);
        Put(bigEndian_ ? (first << 8 | second) : (second << 8 | first));
        oddByte_.reset();
        i = 1;
    }
    for (; i + 1 < piece.size(); i += 2) {
        const unsigned first = Byte(piece, i);
        const unsigned second = Byte(piece, i + 1);
        Put(bigEndian_ ? (first << 8 | second) : (second << 8 | first));
    }
    if (i < piece.size())
        oddByte_ = Byte(piece, i);
    return out_;
}

std::string_view Utf16Decoder::Finish()
{
    out_.clear();
    // An odd last byte is half a character: dropped.
    if (high_ != 0)
        PutUtf8(out_, kReplacement);
    high_ = 0;
    return out_;
}

void Utf16Decoder::Put(char32_t unit)
{
    const bool isHigh = unit >= 0xD800 && unit <= 0xDBFF;
    const bool isLow = unit >= 0xDC00 && unit <= 0xDFFF;
    if (high_ != 0) {
        if (isLow) {
            PutUtf8(out_, 0x10000 + ((high_ - 0xD800) << 10) + (unit - 0xDC00));
            high_ = 0;
            return;
        }
        PutUtf8(out_, kReplacement);
        high_ = 0;
    }
    if (isHigh)
        high_ = unit;
    else
        PutUtf8(out_, isLow ? kReplacement : unit);
}

std::string FromCp1252(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() * 3);
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        PutUtf8(out, b >= 0x80 && b < 0xA0 ? kCp1252Controls[b - 0x80] : b);
    }
    return out;
}

std::optional<std::string> ToCp1252(std::string_view utf8)
{
    std::string bytes;
    bytes.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const Sequence sequence = Examine(utf8, i);
        if (sequence.kind != Sequence::Kind::Whole)
            return std::nullopt;
        const std::size_t length = sequence.length;
        char32_t c = Byte(utf8, i) & (length == 1 ? 0x7F : 0xFF >> (length + 1));
        for (std::size_t k = 1; k < length; ++k)
            c = (c << 6) | (Byte(utf8, i + k) & 0x3F);
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

} // namespace autorun::profile

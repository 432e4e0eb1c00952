// Turning a profile's bytes into UTF-8 a piece at a time, as a file is read: a character that the
// end of a piece cuts in two waits for the rest of it. Standard C++ only.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace autorun::profile {

// Whether bytes are well-formed UTF-8 (overlong forms, surrogates and code points above U+10FFFF
// are not), fed a piece at a time.
class Utf8Check {
public:
    // False from the first byte that cannot be UTF-8 on.
    bool Feed(std::string_view piece);
    // False when the bytes were not UTF-8, or ended inside a character.
    bool Finish() const { return good_ && carry_.empty(); }

private:
    std::string carry_;
    bool good_ = true;
};

// UTF-8 with each byte that is no part of a well-formed sequence replaced by U+FFFD.
class Utf8Repair {
public:
    // The repaired text of the piece, as far as it is whole; valid until the next call.
    std::string_view Feed(std::string_view piece);
    // What the end of the bytes leaves over.
    std::string_view Finish();

private:
    std::string_view Repair(std::string_view piece, bool last);

    std::string carry_;
    std::string out_;
};

// UTF-16 of either byte order as UTF-8: a lone surrogate becomes U+FFFD, an odd last byte is dropped.
class Utf16Decoder {
public:
    explicit Utf16Decoder(bool bigEndian) : bigEndian_(bigEndian) {}

    // The text of the piece, as far as it is whole; valid until the next call.
    std::string_view Feed(std::string_view piece);
    // What the end of the bytes leaves over.
    std::string_view Finish();

private:
    void Put(char32_t unit);

    bool bigEndian_;
    std::optional<unsigned char> oddByte_;
    char32_t high_ = 0; // a high surrogate waiting for its low one
    std::string out_;
};

// Windows-1252 as UTF-8, as Windows converts it: the five bytes it leaves undefined keep their own
// code points.
std::string FromCp1252(std::string_view bytes);

// UTF-8 text in Windows-1252, or std::nullopt when it is not UTF-8 or a character has no byte there.
std::optional<std::string> ToCp1252(std::string_view utf8);

} // namespace autorun::profile

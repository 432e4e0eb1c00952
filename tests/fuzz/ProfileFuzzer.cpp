// libFuzzer target for the settings reader's lookup. It checks the reader's contract on every
// input, not only that it survives: the value is well-formed UTF-8, fits the buffer, is the same
// when asked again, also when the bytes come in small pieces as a file's do, and a buffer one
// smaller gives a prefix of it.
//
// Input: one byte of buffer size, then section, key and default, each ended by a NUL, then the
// profile's bytes (FuzzInput.h, shared with the tool that writes the seeds).
#include "platform/portable/ProfileReader.h"

#include "FuzzInput.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

// The length of the well-formed UTF-8 text, or std::string::npos at the first ill-formed sequence.
// Written apart from the reader's own decoder on purpose: a check that shares the code it checks
// would find nothing.
std::size_t Utf8Characters(std::string_view text)
{
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++characters) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 1;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (lead < 0x80) {
            length = 1;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
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
            return std::string::npos;
        }
        if (text.size() - i < length)
            return std::string::npos;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF))
                return std::string::npos;
        }
        i += length;
    }
    return characters;
}

[[noreturn]] void Broken(const char* rule, const autorun::fuzz::Input& in, const std::string& value)
{
    std::fprintf(stderr, "contract broken: %s\n  section \"%s\", key \"%s\", default \"%s\", buffer %zu\n  value \"%s\"\n",
                 rule, std::string(in.section).c_str(), std::string(in.key).c_str(),
                 std::string(in.defaultValue).c_str(), in.bufferSize, value.c_str());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    using autorun::profile::Lookup;
    const autorun::fuzz::Input in = autorun::fuzz::Parse(std::string_view(reinterpret_cast<const char*>(data), size));
    // The caller's texts are UTF-8; a default that is not cannot come back as such.
    if (Utf8Characters(in.defaultValue) == std::string::npos)
        return -1;

    const std::string value = Lookup(in.profile, in.section, in.key, in.defaultValue, in.bufferSize);
    const std::size_t characters = Utf8Characters(value);
    if (characters == std::string::npos)
        Broken("the value is not well-formed UTF-8", in, value);
    if (characters > (in.bufferSize == 0 ? 0 : in.bufferSize - 1))
        Broken("the value does not fit the buffer", in, value);
    if (Lookup(in.profile, in.section, in.key, in.defaultValue, in.bufferSize) != value)
        Broken("the same question gave another value", in, value);
    // Pieces of 1 to 16 bytes, chosen by the input so that the fuzzer moves the boundaries too.
    const std::size_t pieceSize = 1 + in.bufferSize % 16;
    if (Lookup(in.profile, in.section, in.key, in.defaultValue, in.bufferSize, pieceSize) != value)
        Broken("the bytes read in pieces gave another value", in, value);
    if (in.bufferSize > 0 && !value.starts_with(Lookup(in.profile, in.section, in.key, in.defaultValue, in.bufferSize - 1)))
        Broken("a buffer one smaller gave no prefix of the value", in, value);
    return 0;
}

// SHA-256, to tell the archive on the disc is the one this starter was built with.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace autorun::starter {

class Sha256 {
public:
    Sha256();
    void Add(const void* data, std::size_t size);
    // The digest as lower-case hexadecimal; the object is spent afterwards.
    std::string Hex();

private:
    void Block(const std::uint8_t* block);

    std::array<std::uint32_t, 8> state_;
    std::array<std::uint8_t, 64> pending_{};
    std::size_t pendingSize_ = 0;
    std::uint64_t length_ = 0;
};

} // namespace autorun::starter

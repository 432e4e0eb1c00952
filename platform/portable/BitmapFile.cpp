#include "platform/portable/BitmapFile.h"

#include <cstdlib>
#include <limits>

namespace autorun::portable {
namespace {

constexpr std::size_t kFileHeader = 14;
constexpr std::size_t kInfoHeader = 40;
// Pictures larger than this are no picture of ours.
constexpr std::int64_t kLargestSide = 16384;

} // namespace

IconFileImage DecodeBitmapFile(Bytes bytes)
{
    if (bytes.size() < kFileHeader + kInfoHeader || bytes[0] != 'B' || bytes[1] != 'M')
        return {};
    const std::uint32_t bitsAt = ReadLittle(bytes, 10, 4);
    const std::uint32_t headerSize = ReadLittle(bytes, kFileHeader, 4);
    const auto width = static_cast<std::int32_t>(ReadLittle(bytes, kFileHeader + 4, 4));
    const auto storedHeight = static_cast<std::int32_t>(ReadLittle(bytes, kFileHeader + 8, 4));
    const std::uint32_t depth = ReadLittle(bytes, kFileHeader + 14, 2);
    const std::uint32_t compression = ReadLittle(bytes, kFileHeader + 16, 4);
    std::uint32_t colours = ReadLittle(bytes, kFileHeader + 32, 4);
    const std::int64_t height = std::llabs(static_cast<std::int64_t>(storedHeight));
    // BI_RGB only; BI_BITFIELDS at 32 bits holds the same layout in every file we carry.
    const bool known = depth == 1 || depth == 4 || depth == 8 || depth == 24 || depth == 32;
    if (headerSize < kInfoHeader || width <= 0 || height == 0 || width > kLargestSide || height > kLargestSide ||
        !known || !(compression == 0 || (compression == 3 && depth == 32)))
        return {};
    const std::size_t stride = (static_cast<std::size_t>(width) * depth + 31) / 32 * 4;
    if (bitsAt > bytes.size() || (bytes.size() - bitsAt) / stride < static_cast<std::size_t>(height))
        return {};
    const std::size_t paletteAt = kFileHeader + headerSize;
    if (depth <= 8 && (colours == 0 || colours > (1u << depth)))
        colours = 1u << depth;
    if (depth <= 8 && (paletteAt > bitsAt || (bitsAt - paletteAt) / 4 < colours))
        return {};

    IconFileImage image{width, static_cast<int>(height), {}};
    image.pixels.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (std::int64_t y = 0; y < height; ++y) {
        // Bottom-up unless the height is negative.
        const std::int64_t stored = storedHeight > 0 ? height - 1 - y : y;
        const std::size_t row = bitsAt + static_cast<std::size_t>(stored) * stride;
        for (std::size_t x = 0; x < static_cast<std::size_t>(width); ++x) {
            std::uint32_t rgb = 0;
            if (depth >= 24) {
                rgb = ReadLittle(bytes, row + x * (depth / 8), 3);
            } else {
                const std::size_t bit = x * depth;
                const unsigned index = (bytes[row + bit / 8] >> (8 - depth - bit % 8)) & ((1u << depth) - 1);
                rgb = index < colours ? ReadLittle(bytes, paletteAt + 4 * index, 3) : 0;
            }
            image.pixels.push_back(0xFF000000u | rgb);
        }
    }
    return image;
}

} // namespace autorun::portable

#include "platform/portable/IconFile.h"

#include <algorithm>

namespace autorun::portable {
namespace {

constexpr std::size_t kDirectory = 6;
constexpr std::size_t kEntry = 16;
constexpr std::size_t kInfoHeader = 40;

// The width an entry of the directory gives its image; 0 stands for 256.
int EntryWidth(Bytes bytes, std::size_t entry)
{
    const int width = bytes[kDirectory + kEntry * entry];
    return width == 0 ? 256 : width;
}

} // namespace

std::uint32_t ReadLittle(Bytes bytes, std::size_t at, std::size_t count)
{
    std::uint32_t value = 0;
    for (std::size_t i = count; i-- > 0;)
        value = (value << 8) | bytes[at + i];
    return value;
}

std::size_t IconFileCount(Bytes bytes)
{
    if (bytes.size() < kDirectory + kEntry || ReadLittle(bytes, 0, 2) != 0)
        return 0;
    const std::uint32_t type = ReadLittle(bytes, 2, 2);
    if (type != 1 && type != 2)
        return 0;
    return std::min<std::size_t>(ReadLittle(bytes, 4, 2), (bytes.size() - kDirectory) / kEntry);
}

std::vector<int> IconFileWidths(Bytes bytes)
{
    std::vector<int> widths;
    for (std::size_t e = 0; e < IconFileCount(bytes); ++e)
        widths.push_back(EntryWidth(bytes, e));
    return widths;
}

std::size_t IconFileEntry(Bytes bytes, int wantedSize)
{
    const std::size_t count = IconFileCount(bytes);
    std::size_t chosen = 0;
    for (std::size_t e = 1; e < count; ++e) {
        const int width = EntryWidth(bytes, e);
        const int best = EntryWidth(bytes, chosen);
        const bool fits = width >= wantedSize;
        const bool bestFits = best >= wantedSize;
        if ((fits && (!bestFits || width < best)) || (!fits && !bestFits && width > best))
            chosen = e;
    }
    return chosen;
}

IconFileImage DecodeIconFile(Bytes bytes, int wantedSize)
{
    if (IconFileCount(bytes) == 0)
        return {};
    const std::size_t entry = kDirectory + kEntry * IconFileEntry(bytes, wantedSize);
    const std::size_t header = ReadLittle(bytes, entry + 12, 4);
    if (header > bytes.size() || bytes.size() - header < kInfoHeader)
        return {};
    const std::size_t headerSize = ReadLittle(bytes, header, 4);
    const auto width = static_cast<std::int32_t>(ReadLittle(bytes, header + 4, 4));
    // The height counts the colour rows and the mask rows together.
    const auto height = static_cast<std::int32_t>(ReadLittle(bytes, header + 8, 4)) / 2;
    const std::uint32_t bitCount = ReadLittle(bytes, header + 14, 2);
    if ((bitCount != 1 && bitCount != 4 && bitCount != 8) || width <= 0 || width > 256 || height <= 0 ||
        height > 256 || headerSize < kInfoHeader || headerSize > bytes.size() - header)
        return {};
    std::uint32_t colours = ReadLittle(bytes, header + 32, 4);
    if (colours == 0 || colours > (1u << bitCount))
        colours = 1u << bitCount;

    const auto stride = [](std::size_t bits) { return (bits + 31) / 32 * 4; };
    const std::size_t colourStride = stride(static_cast<std::size_t>(width) * bitCount);
    const std::size_t maskStride = stride(static_cast<std::size_t>(width));
    const std::size_t palette = header + headerSize;
    const std::size_t colourRows = palette + colours * 4;
    const std::size_t maskRows = colourRows + colourStride * static_cast<std::size_t>(height);
    if (maskRows + maskStride * static_cast<std::size_t>(height) > bytes.size())
        return {};

    // Rows are stored bottom-up.
    const auto row = [&](std::size_t rows, std::size_t rowStride, int y) {
        return rows + rowStride * static_cast<std::size_t>(height - 1 - y);
    };
    const auto index = [&](int x, int y) {
        const std::size_t bit = static_cast<std::size_t>(x) * bitCount;
        const unsigned byte = bytes[row(colourRows, colourStride, y) + bit / 8];
        return (byte >> (8 - bitCount - bit % 8)) & ((1u << bitCount) - 1);
    };
    const auto masked = [&](int x, int y) {
        return ((bytes[row(maskRows, maskStride, y) + static_cast<std::size_t>(x / 8)] >> (7 - x % 8)) & 1) != 0;
    };

    IconFileImage image;
    image.width = width;
    image.height = height;
    // A cursor file keeps its hot spot where an icon file keeps planes and bit count.
    if (ReadLittle(bytes, 2, 2) == 2) {
        image.hotX = static_cast<int>(ReadLittle(bytes, entry + 4, 2));
        image.hotY = static_cast<int>(ReadLittle(bytes, entry + 6, 2));
    }
    image.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    constexpr std::uint32_t kOpaque = 0xFF000000u;
    for (int y = 0; y < height; ++y) {
        std::uint32_t* line = image.pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        for (int x = 0; x < width; ++x) {
            const std::size_t at = palette + 4 * std::min<std::size_t>(index(x, y), colours - 1);
            const std::uint32_t colour = (std::uint32_t{bytes[at + 2]} << 16) | (std::uint32_t{bytes[at + 1]} << 8) |
                                         bytes[at];
            if (!masked(x, y))
                line[x] = kOpaque | colour;
            else if (colour == 0)
                line[x] = 0; // masked black leaves the screen as it is
            else
                line[x] = kOpaque; // an image with alpha cannot invert the screen; black stands in
        }
    }
    return image;
}

} // namespace autorun::portable

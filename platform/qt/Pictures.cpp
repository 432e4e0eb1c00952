#include "platform/qt/Pictures.h"

#include "resources/Resources.h"

#include <QPixmap>

#include <cstdint>
#include <map>
#include <span>

namespace autorun::qt {
namespace {

using Bytes = std::span<const unsigned char>;

std::uint32_t ReadLittle(Bytes bytes, std::size_t at, std::size_t count)
{
    std::uint32_t value = 0;
    for (std::size_t i = count; i-- > 0;)
        value = (value << 8) | bytes[at + i];
    return value;
}

struct CursorFile {
    QImage image;
    QPoint hotSpot;
};

CursorFile DecodeCursor(Bytes bytes)
{
    constexpr std::size_t kDirectory = 6;
    constexpr std::size_t kEntry = 16;
    constexpr std::size_t kInfoHeader = 40;
    if (bytes.size() < kDirectory + kEntry || ReadLittle(bytes, 2, 2) != 2 || ReadLittle(bytes, 4, 2) == 0)
        return {};
    // A cursor file keeps its hot spot where an icon file keeps planes and bit count.
    const QPoint hotSpot(static_cast<int>(ReadLittle(bytes, 10, 2)), static_cast<int>(ReadLittle(bytes, 12, 2)));
    const std::size_t header = ReadLittle(bytes, 18, 4);
    if (header > bytes.size() || bytes.size() - header < kInfoHeader)
        return {};
    const std::size_t headerSize = ReadLittle(bytes, header, 4);
    const auto width = static_cast<std::int32_t>(ReadLittle(bytes, header + 4, 4));
    // The height counts the colour rows and the mask rows together.
    const auto height = static_cast<std::int32_t>(ReadLittle(bytes, header + 8, 4)) / 2;
    const std::uint32_t bitCount = ReadLittle(bytes, header + 14, 2);
    std::uint32_t colours = ReadLittle(bytes, header + 32, 4);
    if (colours == 0)
        colours = 2;
    if (bitCount != 1 || width <= 0 || width > 256 || height <= 0 || height > 256 || colours > 2)
        return {};

    const std::size_t stride = (static_cast<std::size_t>(width) + 31) / 32 * 4;
    const std::size_t palette = header + headerSize;
    const std::size_t colourRows = palette + colours * 4;
    const std::size_t maskRows = colourRows + stride * static_cast<std::size_t>(height);
    if (headerSize < kInfoHeader || maskRows + stride * static_cast<std::size_t>(height) > bytes.size())
        return {};

    const auto bit = [&](std::size_t rows, int x, int y) {
        // Rows are stored bottom-up.
        const std::size_t row = rows + stride * static_cast<std::size_t>(height - 1 - y);
        return ((bytes[row + static_cast<std::size_t>(x / 8)] >> (7 - x % 8)) & 1) != 0;
    };
    const auto paletteColour = [&](bool index) {
        const std::size_t at = palette + (index ? 4 : 0);
        return qRgb(bytes[at + 2], bytes[at + 1], bytes[at]);
    };

    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool colour = bit(colourRows, x, y);
            const bool masked = bit(maskRows, x, y);
            if (masked && !colour)
                image.setPixel(x, y, qRgba(0, 0, 0, 0));
            else if (masked)
                image.setPixel(x, y, qRgb(0, 0, 0)); // an ARGB pointer cannot invert the screen; black stands in
            else
                image.setPixel(x, y, paletteColour(colour && colours == 2));
        }
    }
    return {image, hotSpot};
}

const CursorFile& Cursor(ui::Resource resource)
{
    static std::map<ui::Resource, CursorFile> decoded;
    auto found = decoded.find(resource);
    if (found == decoded.end())
        found = decoded.emplace(resource, DecodeCursor(resources::Bytes(resource))).first;
    return found->second;
}

} // namespace

const QImage& Picture(ui::Resource resource)
{
    static std::map<ui::Resource, QImage> decoded;
    auto found = decoded.find(resource);
    if (found == decoded.end()) {
        const Bytes bytes = resources::Bytes(resource);
        QImage image;
        if (!bytes.empty())
            image.loadFromData(bytes.data(), static_cast<int>(bytes.size()));
        found = decoded.emplace(resource, std::move(image)).first;
    }
    return found->second;
}

QCursor PointerCursor(ui::Resource resource)
{
    const CursorFile& file = Cursor(resource);
    if (file.image.isNull())
        return QCursor(Qt::ArrowCursor);
    return QCursor(QPixmap::fromImage(file.image), file.hotSpot.x(), file.hotSpot.y());
}

} // namespace autorun::qt

#include "platform/qt/Pictures.h"

#include "resources/Resources.h"

#include <QPixmap>

#include <algorithm>
#include <cstdint>
#include <map>
#include <set>
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

constexpr std::size_t kDirectory = 6;
constexpr std::size_t kEntry = 16;

// The images an icon (ICO) or cursor (CUR) file lists; none when the bytes are no such file.
std::size_t IconCount(Bytes bytes)
{
    if (bytes.size() < kDirectory + kEntry || ReadLittle(bytes, 0, 2) != 0)
        return 0;
    const std::uint32_t type = ReadLittle(bytes, 2, 2);
    if (type != 1 && type != 2)
        return 0;
    return std::min<std::size_t>(ReadLittle(bytes, 4, 2), (bytes.size() - kDirectory) / kEntry);
}

// The width an entry of the directory gives its image; 0 stands for 256.
int EntryWidth(Bytes bytes, std::size_t entry)
{
    const int width = bytes[kDirectory + kEntry * entry];
    return width == 0 ? 256 : width;
}

// The entry nearest wantedSize: the smallest at least as wide, else the widest.
std::size_t ChooseEntry(Bytes bytes, std::size_t count, int wantedSize)
{
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

// One image of an icon or cursor file whose image is a palette bitmap of 1, 4 or 8 bits with its
// transparency mask. Decoded here rather than by Qt's plugin: loading the plugin costs the
// launcher more than the decoding does.
IconImage DecodeIconFile(Bytes bytes, int wantedSize)
{
    const std::size_t count = IconCount(bytes);
    if (count == 0)
        return {};
    const std::size_t entry = kDirectory + kEntry * ChooseEntry(bytes, count, wantedSize);
    // A cursor file keeps its hot spot where an icon file keeps planes and bit count.
    const QPoint hotSpot = ReadLittle(bytes, 2, 2) == 2 ? QPoint(static_cast<int>(ReadLittle(bytes, entry + 4, 2)),
                                                                 static_cast<int>(ReadLittle(bytes, entry + 6, 2)))
                                                        : QPoint();
    const std::size_t header = ReadLittle(bytes, entry + 12, 4);
    constexpr std::size_t kInfoHeader = 40;
    if (header > bytes.size() || bytes.size() - header < kInfoHeader)
        return {};
    const std::size_t headerSize = ReadLittle(bytes, header, 4);
    const auto width = static_cast<std::int32_t>(ReadLittle(bytes, header + 4, 4));
    // The height counts the colour rows and the mask rows together.
    const auto height = static_cast<std::int32_t>(ReadLittle(bytes, header + 8, 4)) / 2;
    const std::uint32_t bitCount = ReadLittle(bytes, header + 14, 2);
    if ((bitCount != 1 && bitCount != 4 && bitCount != 8) || width <= 0 || width > 256 || height <= 0 ||
        height > 256 || headerSize < kInfoHeader)
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

    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        // Written row by row: setPixel's checks cost more than the decoding, at start-up.
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const unsigned i = index(x, y);
            const std::size_t at = palette + 4 * std::min<std::size_t>(i, colours - 1);
            const QRgb colour = qRgb(bytes[at + 2], bytes[at + 1], bytes[at]);
            if (!masked(x, y))
                line[x] = colour;
            else if (colour == qRgb(0, 0, 0))
                line[x] = qRgba(0, 0, 0, 0); // masked black leaves the screen as it is
            else
                line[x] = qRgb(0, 0, 0); // an ARGB image cannot invert the screen; black stands in
        }
    }
    return {image, hotSpot};
}

std::set<ui::Resource>& DecodedSet()
{
    static std::set<ui::Resource> decoded;
    return decoded;
}

// Named, so that Qt goes straight to the one decoder instead of trying each of its plugins.
const char* FormatOf(ui::Resource resource)
{
    switch (resource) {
    case ui::Resource::SplashPicture:
    case ui::Resource::SplashPicture2x:
        return "JPG";
    case ui::Resource::DocumentImage:
    case ui::Resource::DocumentImage2x:
        return "BMP";
    case ui::Resource::None:
    case ui::Resource::ProgramIcon:
    case ui::Resource::HandPointer:
        break;
    }
    return nullptr;
}

} // namespace

const IconImage& IconFileImage(ui::Resource resource, int wantedSize)
{
    static std::map<std::pair<ui::Resource, int>, IconImage> decoded;
    const Bytes bytes = resources::Bytes(resource);
    const std::size_t count = IconCount(bytes);
    // Keyed by the image chosen, so that every size asked for that picks it shares one decoding.
    const int chosen = count == 0 ? 0 : static_cast<int>(ChooseEntry(bytes, count, wantedSize));
    auto found = decoded.find({resource, chosen});
    if (found == decoded.end()) {
        found = decoded.emplace(std::pair(resource, chosen), DecodeIconFile(bytes, wantedSize)).first;
        DecodedSet().insert(resource);
    }
    return found->second;
}

const QImage& Picture(ui::Resource resource)
{
    if (resource == ui::Resource::ProgramIcon || resource == ui::Resource::HandPointer)
        return IconFileImage(resource, 32).image;
    static std::map<ui::Resource, QImage> decoded;
    auto found = decoded.find(resource);
    if (found == decoded.end()) {
        const Bytes bytes = resources::Bytes(resource);
        QImage image;
        if (!bytes.empty())
            image.loadFromData(bytes.data(), static_cast<int>(bytes.size()), FormatOf(resource));
        found = decoded.emplace(resource, std::move(image)).first;
        DecodedSet().insert(resource);
    }
    return found->second;
}

bool Decoded(ui::Resource resource)
{
    return DecodedSet().contains(resource);
}

QIcon WindowIcon(ui::Resource resource)
{
    QIcon icon;
    const Bytes bytes = resources::Bytes(resource);
    const std::size_t count = IconCount(bytes);
    for (std::size_t e = 0; e < count; ++e) {
        if (const QImage& image = IconFileImage(resource, EntryWidth(bytes, e)).image; !image.isNull())
            icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

QCursor PointerCursor(ui::Resource resource, double scale)
{
    // Pointers are designed 32 pixels wide; from one and a half times that on, the larger image
    // stands in at its own density.
    constexpr int kDesignSize = 32;
    const IconImage& file = IconFileImage(resource, scale >= 1.5 ? 2 * kDesignSize : kDesignSize);
    if (file.image.isNull())
        return QCursor(Qt::ArrowCursor);
    const qreal density = std::max(1.0, static_cast<qreal>(file.image.width()) / kDesignSize);
    QPixmap pixmap = QPixmap::fromImage(file.image);
    pixmap.setDevicePixelRatio(density);
    // Qt takes the hot spot in the pointer's own pixels, not the image's.
    return QCursor(pixmap, qRound(file.hotSpot.x() / density), qRound(file.hotSpot.y() / density));
}

} // namespace autorun::qt

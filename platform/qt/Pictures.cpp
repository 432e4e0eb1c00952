#include "platform/qt/Pictures.h"

#include "platform/portable/IconFile.h"
#include "resources/Resources.h"

#include <QPixmap>

#include <algorithm>
#include <cstdint>
#include <map>
#include <set>
#include <span>

namespace autorun::qt {
namespace {

using portable::Bytes;

// One image of an icon or cursor file. Decoded by the program's own decoder rather than by Qt's
// plugin: loading the plugin costs the launcher more than the decoding does.
IconImage DecodeIconFile(Bytes bytes, int wantedSize)
{
    const portable::IconFileImage decoded = portable::DecodeIconFile(bytes, wantedSize);
    if (decoded.Null())
        return {};
    QImage image(decoded.width, decoded.height, QImage::Format_ARGB32);
    for (int y = 0; y < decoded.height; ++y)
        std::copy_n(decoded.pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(decoded.width),
                    decoded.width, reinterpret_cast<QRgb*>(image.scanLine(y)));
    return {image, QPoint(decoded.hotX, decoded.hotY)};
}

std::set<ui::Resource>& DecodedSet()
{
    static std::set<ui::Resource> decoded;
    return decoded;
}

// Named, so that Qt goes straight to the one decoder instead of trying each of its plugins.
const char* FormatOf(ui::Resource resource)
{
    switch (ui::InfoOf(resource).format) {
    case ui::PictureFormat::Jpeg:
        return "JPG";
    case ui::PictureFormat::Bitmap:
        return "BMP";
    case ui::PictureFormat::None:
    case ui::PictureFormat::Icon:
    case ui::PictureFormat::Cursor:
        break;
    }
    return nullptr;
}

} // namespace

const IconImage& IconFileImage(ui::Resource resource, int wantedSize)
{
    static std::map<std::pair<ui::Resource, int>, IconImage> decoded;
    const Bytes bytes = resources::Bytes(resource);
    // Keyed by the image chosen, so that every size asked for that picks it shares one decoding.
    const int chosen = static_cast<int>(portable::IconFileEntry(bytes, wantedSize));
    auto found = decoded.find({resource, chosen});
    if (found == decoded.end()) {
        found = decoded.emplace(std::pair(resource, chosen), DecodeIconFile(bytes, wantedSize)).first;
        DecodedSet().insert(resource);
    }
    return found->second;
}

const QImage& Picture(ui::Resource resource)
{
    if (const ui::PictureFormat format = ui::InfoOf(resource).format;
        format == ui::PictureFormat::Icon || format == ui::PictureFormat::Cursor)
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
    for (const int width : portable::IconFileWidths(resources::Bytes(resource))) {
        if (const QImage& image = IconFileImage(resource, width).image; !image.isNull())
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

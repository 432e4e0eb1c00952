#include "platform/gtk/Pictures.h"

#include "platform/portable/BitmapFile.h"
#include "platform/portable/IconFile.h"
#include "resources/Resources.h"

#include <algorithm>
#include <map>
#include <set>

namespace autorun::gtk {
namespace {

using portable::Bytes;

// The caches live as long as the process: their surfaces are drawn from until the end.
std::set<ui::Resource>& DecodedSet()
{
    static auto& decoded = *new std::set<ui::Resource>;
    return decoded;
}

// Premultiplied, as cairo keeps its pixels.
cairo_surface_t* ToSurface(const portable::IconFileImage& image)
{
    if (image.Null())
        return nullptr;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, image.width, image.height);
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < image.height; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
        for (int x = 0; x < image.width; ++x) {
            const std::uint32_t pixel = image.pixels[static_cast<std::size_t>(y * image.width + x)];
            const std::uint32_t alpha = pixel >> 24;
            auto scaled = [&](int shift) { return ((pixel >> shift & 0xFF) * alpha + 127) / 255 << shift; };
            row[x] = alpha << 24 | scaled(16) | scaled(8) | scaled(0);
        }
    }
    cairo_surface_mark_dirty(surface);
    return surface;
}

// A JPEG through gdk-pixbuf's own loader, which every build carries.
cairo_surface_t* DecodeJpeg(Bytes bytes)
{
    GdkPixbufLoader* loader = gdk_pixbuf_loader_new_with_type("jpeg", nullptr);
    if (loader == nullptr)
        return nullptr;
    cairo_surface_t* surface = nullptr;
    const bool read = gdk_pixbuf_loader_write(loader, bytes.data(), bytes.size(), nullptr);
    if (gdk_pixbuf_loader_close(loader, nullptr) && read) {
        if (GdkPixbuf* pixbuf = gdk_pixbuf_loader_get_pixbuf(loader))
            surface = gdk_cairo_surface_create_from_pixbuf(pixbuf, 1, nullptr);
    }
    g_object_unref(loader);
    return surface;
}

struct IconImage {
    cairo_surface_t* surface = nullptr;
    int hotX = 0;
    int hotY = 0;
};

const IconImage& IconFileImage(ui::Resource resource, int wantedSize)
{
    static auto& decoded = *new std::map<std::pair<ui::Resource, std::size_t>, IconImage>;
    const Bytes bytes = resources::Bytes(resource);
    // Keyed by the image chosen, so that every size asked for that picks it shares one decoding.
    const std::size_t chosen = portable::IconFileEntry(bytes, wantedSize);
    auto found = decoded.find({resource, chosen});
    if (found == decoded.end()) {
        const portable::IconFileImage image = portable::DecodeIconFile(bytes, wantedSize);
        found = decoded.emplace(std::pair(resource, chosen), IconImage{ToSurface(image), image.hotX, image.hotY}).first;
        DecodedSet().insert(resource);
    }
    return found->second;
}

} // namespace

cairo_surface_t* Picture(ui::Resource resource)
{
    const ui::PictureFormat format = ui::InfoOf(resource).format;
    if (format == ui::PictureFormat::Icon || format == ui::PictureFormat::Cursor)
        return IconFileImage(resource, 32).surface;
    static auto& decoded = *new std::map<ui::Resource, cairo_surface_t*>;
    auto found = decoded.find(resource);
    if (found == decoded.end()) {
        const Bytes bytes = resources::Bytes(resource);
        cairo_surface_t* surface = nullptr;
        if (format == ui::PictureFormat::Jpeg)
            surface = DecodeJpeg(bytes);
        else if (format == ui::PictureFormat::Bitmap)
            surface = ToSurface(portable::DecodeBitmapFile(bytes));
        found = decoded.emplace(resource, surface).first;
        DecodedSet().insert(resource);
    }
    return found->second;
}

bool Decoded(ui::Resource resource)
{
    return DecodedSet().contains(resource);
}

GList* WindowIcons(ui::Resource resource)
{
    GList* icons = nullptr;
    for (const int width : portable::IconFileWidths(resources::Bytes(resource))) {
        cairo_surface_t* surface = IconFileImage(resource, width).surface;
        if (surface == nullptr)
            continue;
        GdkPixbuf* pixbuf = gdk_pixbuf_get_from_surface(surface, 0, 0, cairo_image_surface_get_width(surface),
                                                        cairo_image_surface_get_height(surface));
        if (pixbuf != nullptr)
            icons = g_list_append(icons, pixbuf);
    }
    return icons;
}

GdkCursor* PointerCursor(GdkDisplay* display, ui::Resource resource, int scale)
{
    // Pointers are designed 32 pixels wide; at twice the density the larger image stands in.
    constexpr int kDesignSize = 32;
    const IconImage& file = IconFileImage(resource, scale >= 2 ? 2 * kDesignSize : kDesignSize);
    if (file.surface == nullptr || display == nullptr)
        return nullptr;
    const int width = cairo_image_surface_get_width(file.surface);
    const int density = std::max(1, width / kDesignSize);
    // The cursor takes its density from the surface, and its hot spot in the pointer's own pixels.
    cairo_surface_t* surface = cairo_surface_create_similar_image(file.surface, CAIRO_FORMAT_ARGB32, width,
                                                                  cairo_image_surface_get_height(file.surface));
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_surface(cr, file.surface, 0, 0);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_set_device_scale(surface, density, density);
    GdkCursor* cursor = gdk_cursor_new_from_surface(display, surface, static_cast<double>(file.hotX) / density,
                                                    static_cast<double>(file.hotY) / density);
    cairo_surface_destroy(surface);
    return cursor;
}

} // namespace autorun::gtk

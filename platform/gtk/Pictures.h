// Turns the pictures the program carries into cairo surfaces and pointers, each decoded once per run
// and only when first asked for. Bitmaps, icons and cursors go through the program's own decoders:
// gdk-pixbuf builds now carry no loaders for them.
#pragma once

#include "ui/Appearance.h"

#include <gtk/gtk.h>

namespace autorun::gtk {

// The picture as its file format decodes it, owned here; null for Resource::None or bytes that do not
// decode. An icon or a cursor gives its image for 32 x 32.
cairo_surface_t* Picture(ui::Resource resource);

// Whether the picture has been decoded in this run (in any size, for icons and cursors).
bool Decoded(ui::Resource resource);

// Every image of an icon file, for the window manager to pick from; the caller frees the list.
GList* WindowIcons(ui::Resource resource);

// A cursor file as a pointer for a screen of scale device pixels per pixel, with the hot spot the file
// names; the default arrow (null) when the bytes are no such cursor. The caller owns it.
GdkCursor* PointerCursor(GdkDisplay* display, ui::Resource resource, int scale = 1);

} // namespace autorun::gtk

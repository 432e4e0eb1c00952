// The program's pictures, loaded from its own resources and decoded by Windows: the JPEG
// through WIC, the bitmap, icon and cursor by the window manager's loaders. Each is loaded
// when first drawn and kept for the life of the process, as is each density's copy.
#pragma once

#include "ui/Appearance.h"

#include <windows.h>

namespace autorun::win32 {

// A 32-bit DIB section of the picture at its own size, or null for Resource::None or a picture that
// cannot be decoded.
HBITMAP PictureBitmap(ui::Resource picture);
// The picture's size in pixels; zero for none.
SIZE PictureSize(ui::Resource picture);
// Whether the picture has been loaded yet.
bool PictureLoaded(ui::Resource picture);

// The design's picture as drawn at dpi: from the nearest picture at least that large, scaled to
// the design's size at that density where it is not already (at 96, the design's own picture).
HBITMAP PictureAt(ui::Resource picture, int dpi);

// The program's icon at the large or small icon size of dpi.
HICON ProgramIcon(bool small, int dpi);
HCURSOR PointerCursor(ui::Pointer pointer);

} // namespace autorun::win32

// The program's pictures, loaded from its own resources and decoded by Windows: the JPEG
// through WIC, the bitmap, icon and cursor by the window manager's loaders. Each is loaded
// once and kept for the life of the process.
#pragma once

#include "ui/Appearance.h"

#include <windows.h>

namespace autorun::win32 {

// A 32-bit DIB section ready to blit, or null for Resource::None or a picture that cannot be decoded.
HBITMAP PictureBitmap(ui::Resource picture);
// The picture's size in pixels; zero for none.
SIZE PictureSize(ui::Resource picture);

// The program's icon at the desktop's large or small icon size.
HICON ProgramIcon(bool small);
HCURSOR PointerCursor(ui::Pointer pointer);

} // namespace autorun::win32

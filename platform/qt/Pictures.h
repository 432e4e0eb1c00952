// Turns the pictures the program carries into Qt images and pointers, each decoded once
// per run; it draws nothing and knows no window.
#pragma once

#include "ui/Appearance.h"

#include <QCursor>
#include <QImage>

namespace autorun::qt {

// The picture as its file format decodes it; a null image for Resource::None or bytes Qt cannot read.
const QImage& Picture(ui::Resource resource);

// A cursor file as a pointer, transparent where its mask says so, with the hot spot the
// file names; the arrow when the bytes are no such cursor.
QCursor PointerCursor(ui::Resource resource);

} // namespace autorun::qt

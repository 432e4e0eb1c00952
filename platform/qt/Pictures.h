// Turns the pictures the program carries into Qt images and pointers, each decoded once
// per run and only when first asked for; it draws nothing and knows no window.
#pragma once

#include "ui/Appearance.h"

#include <QCursor>
#include <QIcon>
#include <QImage>
#include <QPoint>

namespace autorun::qt {

// The picture as its file format decodes it; a null image for Resource::None or bytes Qt cannot read.
// An icon or a cursor gives its image for 32 x 32.
const QImage& Picture(ui::Resource resource);

// Whether the picture has been decoded in this run (in any size, for icons and cursors).
bool Decoded(ui::Resource resource);

// One image of an icon or cursor file: the smallest at least wantedSize wide, else the largest.
struct IconImage {
    QImage image;
    QPoint hotSpot; // a cursor's, in the image's pixels
};
const IconImage& IconFileImage(ui::Resource resource, int wantedSize);

// Every image of an icon file, for the desktop to pick from.
QIcon WindowIcon(ui::Resource resource);

// A cursor file as a pointer for a screen of scale device pixels per pixel, transparent where its
// mask says so, with the hot spot the file names; the arrow when the bytes are no such cursor.
QCursor PointerCursor(ui::Resource resource, double scale = 1);

} // namespace autorun::qt

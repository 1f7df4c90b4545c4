#pragma once

#include <srctrl/WinBitmap.h>

#include <QImage>

// Bitmaps that the control hands over (template previews) as Qt images.
namespace BitmapImage {

// A copy of the bitmap's pixels as a QImage; the bitmap is deleted, as the control leaves it to
// its caller. A null image for a null or unknown bitmap.
QImage take(srctrl::HBITMAP bitmap);

} // namespace BitmapImage

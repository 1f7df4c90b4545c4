#include "BitmapImage.h"

namespace BitmapImage {

QImage take(srctrl::HBITMAP bitmap)
{
    srctrl::BITMAP info{};
    if (bitmap == nullptr || srctrl::GetObject(bitmap, sizeof info, &info) == 0) {
        return {};
    }
    // The control's bitmaps are top-down rows of premultiplied B, G, R, A bytes: on a
    // little-endian machine that is the byte order of Qt's premultiplied 32-bit ARGB.
    static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "BGRA bytes are read as ARGB32 words");
    const QImage view(static_cast<const uchar*>(info.bmBits), info.bmWidth, info.bmHeight, info.bmWidthBytes,
                      QImage::Format_ARGB32_Premultiplied);
    QImage image = view.copy();
    srctrl::DeleteObject(bitmap);
    return image;
}

} // namespace BitmapImage

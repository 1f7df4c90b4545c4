#pragma once

#include "platform/win32/WinGdi.h"

class QRCode {
public:
    // The QR code of `text` (UTF-8, encoded in byte mode, error correction level M) as a new
    // black-on-white bitmap with a 4-module quiet zone and a whole number of pixels per module.
    // `width` and `height` receive its size. Null, with both left unchanged, for a null or empty
    // text or one too long for any QR version. The caller owns the bitmap (DeleteObject).
    static HBITMAP CreateBitmapOfQRCode(const char* text, int& width, int& height);
};

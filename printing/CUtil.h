#pragma once

#include "platform/Export.h"
#include "platform/win32/WinBitmap.h"

#include <vector>

// Conversions between bitmaps and JPEG bytes, with libjpeg-turbo: nothing needs starting first
// (GdiplusStartup is not needed). A call that fails leaves its reason for SrCtrlGetLastError.
class SRCTRL_API CUtil {
public:
    // Encodes the bitmap as JPEG (quality 75, as GDI+'s encoder by default) into `jpeg`, which is
    // emptied first in every case. False, with `jpeg` empty, for a null or unknown bitmap ("no
    // bitmap", "not a bitmap") or when the encoder fails ("JPEG not encoded: REASON"). The bitmap
    // stays the caller's.
    static bool GetJPEG(srctrl::HBITMAP bitmap, std::vector<unsigned char>& jpeg);
    // Decodes JPEG (or PNG) bytes into a new bitmap that the caller owns; null when they do not
    // decode ("picture not decoded: REASON", such as "neither JPEG nor PNG").
    static srctrl::HBITMAP CreateBitmapFromJPEG(const unsigned char* data, srctrl::DWORD length);
};

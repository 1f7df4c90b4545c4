#pragma once

#include "platform/Export.h"
#include "platform/win32/WinBitmap.h"

#include <vector>

// Conversions between bitmaps and JPEG bytes, through GDI+: the host must have started GDI+
// (GdiplusStartup) before calling them.
class SRCTRL_API CUtil {
public:
    // Encodes the bitmap as JPEG (the encoder's default quality) into `jpeg`, which is emptied
    // first in every case. False, with `jpeg` empty, for a null bitmap, when GDI+ offers no JPEG
    // encoder, or when encoding produced no bytes. The bitmap stays the caller's.
    static bool GetJPEG(HBITMAP bitmap, std::vector<unsigned char>& jpeg);
    // Decodes JPEG (or PNG) bytes into a new bitmap that the caller owns; null when they do not
    // decode.
    static HBITMAP CreateBitmapFromJPEG(const unsigned char* data, DWORD length);
};

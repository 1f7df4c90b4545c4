#pragma once

#include "platform/Export.h"
#include "platform/win32/WinDef.h"

#include <vector>

// GDI bitmaps, as the host meets them: CreateTemplatePreview and CaptureWindow return one,
// IKMReport::SetImage takes one. GDI objects: a handle points at an object that the GDI layer keeps in a registry; every call
// checks the handle against it first, so a stale or foreign handle fails instead of being read.

namespace srctrl {

struct GdiObject {
    virtual ~GdiObject() = default;
};

struct DeviceContext;

// A 32-bit bitmap: top-down rows of B, G, R, A bytes (alpha premultiplied), 4 * width bytes per
// row, no padding.
struct BitmapObject : GdiObject {
    int nWidth = 0;
    int nHeight = 0;
    std::vector<BYTE> vecBits;
    // The JPEG the pixels were decoded from, if any: a PDF or PostScript page embeds these bytes
    // as they are instead of the pixels.
    std::vector<unsigned char> vecJpeg;
    // The device context the bitmap is selected into; it cannot be deleted meanwhile.
    DeviceContext* pSelectedIn = nullptr;
};

using HGDIOBJ = GdiObject*;
using HBITMAP = BitmapObject*;
using HDC = DeviceContext*;
using HANDLE = void*;

struct BITMAP {
    LONG bmType;
    LONG bmWidth;
    LONG bmHeight;
    LONG bmWidthBytes;
    WORD bmPlanes;
    WORD bmBitsPixel;
    LPVOID bmBits;
};

// Largest bitmap the GDI layer allocates: 16384 x 16384 pixels of 4 bytes, 1 GiB.
constexpr long long kMaxBitmapPixels = 16384LL * 16384LL;

// A new 32-bit bitmap of the given size, filled from `bits` (top-down BGRA rows) when not null,
// otherwise cleared to transparent black. Only one plane of 32 bits per pixel is supported.
// Returns null for any other format, a size below 1 or above kMaxBitmapPixels. The caller owns
// the bitmap and releases it with DeleteObject.
SRCTRL_API HBITMAP CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitCount, const void* bits);

// Fills a BITMAP record for a bitmap handle (bmBits points at its pixels, valid until the bitmap
// is deleted). Returns the bytes written, or 0 for an unknown handle or a buffer too small.
SRCTRL_API int GetObject(HGDIOBJ h, int cbBuffer, LPVOID pv);

// Destroys a GDI object. FALSE for null, for a handle that is not a live GDI object, and for a
// bitmap that is selected into a device context.
SRCTRL_API BOOL DeleteObject(HGDIOBJ h);

} // namespace srctrl

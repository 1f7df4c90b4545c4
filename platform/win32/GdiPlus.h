#pragma once

#include "platform/Export.h"
#include "platform/win32/GdiPlusStartup.h"
#include "platform/win32/ObjIdl.h"
#include "platform/win32/WinGdi.h"

#include <cstdint>

// The flat GDI+ calls the control makes: bitmaps from GDI bitmaps, the JPEG and PNG encoders,
// solid brushes and rectangle fills on a device context. Every call fails with
// GdiplusNotInitialized while no GdiplusStartup is in force.

using ARGB = DWORD;
using REAL = float;
using HPALETTE = void*;

using Status = GpStatus;

struct GUID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];
};
using CLSID = GUID;

inline bool operator==(const GUID& a, const GUID& b)
{
    if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) {
        return false;
    }
    for (int i = 0; i < 8; ++i) {
        if (a.Data4[i] != b.Data4[i]) {
            return false;
        }
    }
    return true;
}

struct ImageCodecInfo {
    CLSID Clsid;
    GUID FormatID;
    const wchar_t* CodecName;
    const wchar_t* DllName;
    const wchar_t* FormatDescription;
    const wchar_t* FilenameExtension;
    const wchar_t* MimeType;
    DWORD Flags;
    DWORD Version;
    DWORD SigCount;
    DWORD SigSize;
    const BYTE* SigPattern;
    const BYTE* SigMask;
};

enum EncoderParameterValueType { EncoderParameterValueTypeLong = 4 };

struct EncoderParameter {
    GUID Guid;
    ULONG NumberOfValues;
    ULONG Type;
    void* Value;
};
struct EncoderParameters {
    UINT Count;
    EncoderParameter Parameter[1];
};

// The quality parameter of the JPEG encoder: one long value from 0 to 100.
extern SRCTRL_API const GUID EncoderQuality;

enum PixelOffsetMode {
    PixelOffsetModeInvalid = -1,
    PixelOffsetModeDefault = 0,
    PixelOffsetModeHighSpeed = 1,
    PixelOffsetModeHighQuality = 2,
    PixelOffsetModeNone = 3,
    PixelOffsetModeHalf = 4,
};

struct GpImage;
struct GpBitmap;
struct GpGraphics;
struct GpBrush;
struct GpSolidFill;

// A GDI+ bitmap with a copy of the GDI bitmap's pixels; the GDI bitmap stays the caller's.
SRCTRL_API GpStatus GdipCreateBitmapFromHBITMAP(HBITMAP hbm, HPALETTE palette, GpBitmap** bitmap);
SRCTRL_API GpStatus GdipDisposeImage(GpImage* image);

// The encoders: JPEG ("image/jpeg", libjpeg-turbo, quality 75 unless EncoderQuality is given)
// and PNG ("image/png"). The list is `count` records followed by their strings in one buffer of
// `size` bytes.
SRCTRL_API GpStatus GdipGetImageEncodersSize(UINT* count, UINT* size);
SRCTRL_API GpStatus GdipGetImageEncoders(UINT count, UINT size, ImageCodecInfo* encoders);
SRCTRL_API GpStatus GdipSaveImageToStream(GpImage* image, IStream* stream, const CLSID* encoder,
                                          const EncoderParameters* parameters);

SRCTRL_API GpStatus GdipCreateFromHDC(HDC hdc, GpGraphics** graphics);
SRCTRL_API GpStatus GdipDeleteGraphics(GpGraphics* graphics);
SRCTRL_API GpStatus GdipSetPixelOffsetMode(GpGraphics* graphics, PixelOffsetMode mode);
SRCTRL_API GpStatus GdipCreateSolidFill(ARGB color, GpSolidFill** brush);
SRCTRL_API GpStatus GdipDeleteBrush(GpBrush* brush);
SRCTRL_API GpStatus GdipFillRectangle(GpGraphics* graphics, GpBrush* brush, REAL x, REAL y, REAL width, REAL height);

#pragma once

#include "platform/Export.h"
#include "platform/win32/GdiPlusStartup.h"
#include "platform/win32/WinGdi.h"

// The flat GDI+ calls the control makes: solid brushes and rectangle fills on a device context.
// They need no GdiplusStartup (JPEG goes through CUtil, on TurboJPEG).

using ARGB = DWORD;
using REAL = float;

enum PixelOffsetMode {
    PixelOffsetModeInvalid = -1,
    PixelOffsetModeDefault = 0,
    PixelOffsetModeHighSpeed = 1,
    PixelOffsetModeHighQuality = 2,
    PixelOffsetModeNone = 3,
    PixelOffsetModeHalf = 4,
};

struct GpGraphics;
struct GpBrush;
struct GpSolidFill;

SRCTRL_API GpStatus GdipCreateFromHDC(HDC hdc, GpGraphics** graphics);
SRCTRL_API GpStatus GdipDeleteGraphics(GpGraphics* graphics);
SRCTRL_API GpStatus GdipSetPixelOffsetMode(GpGraphics* graphics, PixelOffsetMode mode);
SRCTRL_API GpStatus GdipCreateSolidFill(ARGB color, GpSolidFill** brush);
SRCTRL_API GpStatus GdipDeleteBrush(GpBrush* brush);
SRCTRL_API GpStatus GdipFillRectangle(GpGraphics* graphics, GpBrush* brush, REAL x, REAL y, REAL width, REAL height);

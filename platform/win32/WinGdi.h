#pragma once

#include "platform/Export.h"
#include "platform/PdfPrinter.h"
#include "platform/win32/WinBitmap.h"

#include <vector>

// The GDI calls the control makes inside the library: device contexts, DIB sections, printer
// documents, and the registry of live GDI objects. Not installed: a host sees only WinBitmap.h.

struct BITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
};

struct RGBQUAD {
    BYTE rgbBlue;
    BYTE rgbGreen;
    BYTE rgbRed;
    BYTE rgbReserved;
};

struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
};

constexpr DWORD BI_RGB = 0;
constexpr UINT DIB_RGB_COLORS = 0;

constexpr int HORZRES = 8;
constexpr int VERTRES = 10;
constexpr int LOGPIXELSX = 88;
constexpr int LOGPIXELSY = 90;
constexpr int PHYSICALWIDTH = 110;
constexpr int PHYSICALHEIGHT = 111;
constexpr int PHYSICALOFFSETX = 112;
constexpr int PHYSICALOFFSETY = 113;

struct DOCINFOW {
    int cbSize;
    const wchar_t* lpszDocName;
    const wchar_t* lpszOutput;
    const wchar_t* lpszDatatype;
    DWORD fwType;
};

// A memory device context (`hdc` must be null) with a 1 x 1 bitmap selected. The caller
// releases it with DeleteDC.
SRCTRL_API HDC CreateCompatibleDC(HDC hdc);

// A 32-bit top-down bitmap (BI_RGB, 1 plane, negative height) cleared to transparent black;
// `bits` receives its pixels. Null for any other format (bottom-up included) or a size over
// kMaxBitmapPixels; `bits` is then set to null.
SRCTRL_API HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                                    DWORD offset);

// Selects a bitmap into a memory device context, so that drawing lands in its pixels; returns
// the bitmap selected before, or null when either handle is wrong or the bitmap is selected
// elsewhere.
SRCTRL_API HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h);

// Releases a memory or printer device context. A printer document still open is abandoned.
SRCTRL_API BOOL DeleteDC(HDC hdc);

// Sizes and resolutions of the surface behind a device context; 0 for an unknown index.
// Memory contexts: the selected bitmap's size at 96 dpi. Printers: PHYSICALWIDTH/HEIGHT the
// paper and HORZRES/VERTRES its printable area at the printer's resolution, PHYSICALOFFSETX/Y
// the printable area's corner (a file printer prints the whole paper; a CUPS queue says what
// margins its default media has).
SRCTRL_API int GetDeviceCaps(HDC hdc, int index);

// A device context for the printer of that name: a PDF file printer registered by the host
// (platform::RegisterPdfPrinter), else a CUPS queue. Null when the name is neither.
SRCTRL_API HDC CreateDCA(const char* driver, const char* device, const char* port, const void* initData);

// Printer documents: each page is drawn in device units (dots at the printer's resolution) from
// the corner of the printable area, and rendered as a page of the paper's size (PDF for a file
// printer, PostScript for a CUPS queue). EndDoc writes a file printer's PDF (replacing the file
// only when complete) or submits the document to the CUPS queue as one job named after it;
// AbortDoc drops a started document and sends nothing. Each returns a value above 0 on success
// and 0 or below on failure.
SRCTRL_API int StartDocW(HDC hdc, const DOCINFOW* info);
SRCTRL_API int StartPage(HDC hdc);
SRCTRL_API int EndPage(HDC hdc);
SRCTRL_API int EndDoc(HDC hdc);
SRCTRL_API int AbortDoc(HDC hdc);

namespace srctrl::platform {

// Adds an object made by the GDI layer to the registry of live handles and returns it.
HGDIOBJ RegisterGdiObject(GdiObject* object);

// The bitmap behind a handle, or null when the handle is not a live bitmap.
BitmapObject* LookupBitmap(HGDIOBJ h);

// A bitmap that takes over `pixels` (width * height * 4 bytes) instead of copying them; null,
// with `pixels` left alone, for a size that does not match or is out of range.
HBITMAP AdoptBitmap(int width, int height, std::vector<BYTE>&& pixels);

// The device context behind a handle, or null when the handle is not a live device context.
DeviceContext* LookupDC(HDC h);

} // namespace srctrl::platform

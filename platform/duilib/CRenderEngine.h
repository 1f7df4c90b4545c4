#pragma once

#include "platform/Export.h"
#include "platform/duilib/CDuiString.h"
#include "platform/win32/WinGdi.h"

#include <cstddef>

typedef struct _cairo_surface cairo_surface_t;

namespace DuiLib {

class CPaintManagerUI;

// Painting with Cairo and Pango on a device context, and decoding of image bytes.
class SRCTRL_API CRenderEngine {
public:
    // Decodes JPEG or PNG bytes into a new 32-bit bitmap that the caller owns. Null for any other
    // format, for bytes that do not decode, and for images whose pixels would need more than
    // kMaxImageBytes.
    static HBITMAP CreateBitmap(const unsigned char* data, size_t length);
    static constexpr size_t kMaxImageBytes = 256u * 1024u * 1024u;

    // Colours are 0xAARRGGBB; an alpha of 0 draws nothing.
    static void DrawColor(HDC hDC, const RECT& rc, DWORD color);
    static void DrawRect(HDC hDC, const RECT& rc, int size, DWORD color);
    static void DrawLine(HDC hDC, int x1, int y1, int x2, int y2, int size, DWORD color);
    // A wavy line from x1 to x2 whose waves take the rows [y, y + height], as under a misspelt word.
    static void DrawWave(HDC hDC, int x1, int x2, int y, int height, DWORD color);
    // Draws a bitmap scaled to fit inside `rc`, aspect ratio kept, centred.
    static void DrawImage(HDC hDC, HBITMAP bitmap, const RECT& rc);
    // A Cairo surface over the bitmap's pixels (shared, not copied) that carries the JPEG the
    // bitmap was decoded from, for PDF and PostScript pages to embed. Drawn again and again, it
    // spares Cairo a copy of the pixels for each page that records it. The caller destroys it
    // before the bitmap and changes neither meanwhile. Null when Cairo cannot take the bitmap.
    static cairo_surface_t* CreateSurface(HBITMAP bitmap);
    // Draws such a surface as DrawImage draws a bitmap.
    static void DrawSurface(HDC hDC, cairo_surface_t* surface, const RECT& rc);
    // Draws text with the manager's font `font` (scaled by its zoom) and the DT_ style flags.
    static void DrawText(HDC hDC, CPaintManagerUI* manager, const RECT& rc, LPCTSTR text, DWORD color, int font,
                         unsigned style);
    // How many characters of the text have no glyph in any installed font.
    static int CountUnknownGlyphs(CPaintManagerUI* manager, LPCTSTR text, int font);

    // Clipping for a control's painting: saves the state and clips to `rc`.
    static void PushClip(HDC hDC, const RECT& rc);
    static void PopClip(HDC hDC);
    // The part of `rc` that the current clip lets through (empty when none does, `rc` itself
    // when the device context has nothing to draw on).
    static RECT ClipTo(HDC hDC, const RECT& rc);
};

} // namespace DuiLib

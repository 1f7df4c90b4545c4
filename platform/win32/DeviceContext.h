#pragma once

#include "platform/kmbase/KMFileReplace.h"
#include "platform/win32/WinGdi.h"

#include <cairo.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

// A device context: a Cairo context drawing into the selected bitmap (memory contexts) or into
// the current page of a printer document.
struct srctrl::DeviceContext : GdiObject {
    ~DeviceContext() override;

    cairo_t* pCairo = nullptr;
    cairo_surface_t* pSurface = nullptr;
    HBITMAP hBitmap = nullptr;        // selected bitmap of a memory context
    HBITMAP hStockBitmap = nullptr;   // the 1 x 1 bitmap a memory context starts with
    // The clip rectangles that controls pushed, each within the one before, in device space
    // (x0, y0, x1, y1): Cairo answers its clip rounded to the surface's units, points on a
    // printer, where a printed page needs it to the dot.
    std::vector<std::array<double, 4>> vecClips;

    // Printer contexts only.
    bool bPrinter = false;
    std::string strPrinter;           // CUPS queue, or empty for a file printer
    std::string strOutputPath;        // file printer's PDF
    std::string strSpool;             // a queue's PostScript, until the job is submitted
    std::unique_ptr<KMFileReplace> pReplace;  // file printer's replacement while a document is open
    double dWidthMm = 0;
    double dHeightMm = 0;
    // Margins the printer cannot print on; drawing starts at the printable area's corner.
    double dLeftMm = 0;
    double dTopMm = 0;
    double dRightMm = 0;
    double dBottomMm = 0;
    int nDpi = 96;
    bool bInDocument = false;
    bool bInPage = false;
    std::string strTitle;
    // What a PDF document says of itself besides its title (UTF-8); empty leaves it out.
    std::string strAuthor;
    std::string strSubject;

    // The paper's size, in dots for a printer.
    int PixelWidth() const;
    int PixelHeight() const;
    // A printer's printable area and its corner on the paper, in dots.
    int PrintableWidth() const;
    int PrintableHeight() const;
    int OffsetX() const;
    int OffsetY() const;
};

namespace srctrl::platform {

// The Cairo context of a device context that can be drawn on now, or null.
cairo_t* GetCairo(HDC hdc);

// A device context that draws onto a Cairo surface the caller owns (a host's pixel buffer); it
// holds a reference to the surface until DeleteDC. Null when Cairo refuses the surface.
HDC CreateSurfaceDC(cairo_surface_t* surface);

// Drops a printer document that was started and not ended, removing its spool file.
void AbandonDocument(DeviceContext* dc);

// The author and subject (UTF-8) of the next document a printer context starts, for a PDF's
// properties (the title is the DOCINFO's document name). False, with nothing kept, for a context
// that is no printer or is inside a document already.
bool SetDocumentProperties(HDC hdc, const std::string& author, const std::string& subject);

} // namespace srctrl::platform

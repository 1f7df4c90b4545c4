#pragma once

#include "platform/kmbase/KMFileReplace.h"
#include "platform/win32/WinGdi.h"

#include <cairo.h>

#include <memory>
#include <string>

// A device context: a Cairo context drawing into the selected bitmap (memory contexts) or into
// the current page of a printer document.
struct DeviceContext : GdiObject {
    ~DeviceContext() override;

    cairo_t* pCairo = nullptr;
    cairo_surface_t* pSurface = nullptr;
    HBITMAP hBitmap = nullptr;        // selected bitmap of a memory context
    HBITMAP hStockBitmap = nullptr;   // the 1 x 1 bitmap a memory context starts with

    // Printer contexts only.
    bool bPrinter = false;
    std::string strPrinter;           // CUPS queue, or empty for a file printer
    std::string strOutputPath;        // file printer's PDF
    std::string strSpoolPath;         // PDF being written
    std::unique_ptr<KMFileReplace> pReplace;  // file printer's replacement while a document is open
    double dWidthMm = 0;
    double dHeightMm = 0;
    int nDpi = 96;
    bool bInDocument = false;
    bool bInPage = false;
    std::string strTitle;

    int PixelWidth() const;
    int PixelHeight() const;
};

namespace platform {

// The Cairo context of a device context that can be drawn on now, or null.
cairo_t* GetCairo(HDC hdc);

// Drops a printer document that was started and not ended, removing its spool file.
void AbandonDocument(DeviceContext* dc);

} // namespace platform

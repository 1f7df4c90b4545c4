#pragma once

#include "platform/Export.h"

// Printing to a PDF file: IReportCtrl::Print names a printer, and a name registered here is a
// printer that writes each document to a file instead of a CUPS queue.
namespace platform {

// Registers a printer name under which CreateDCA writes each document to `pdfPath`, on paper of
// the given size in millimetres at the given resolution. A registered name hides a CUPS queue of
// the same name. False for a null or empty name or path, or a size or resolution below 1.
SRCTRL_API bool RegisterPdfPrinter(const char* name, const char* pdfPath, double widthMm = 210.0,
                                   double heightMm = 297.0, int dpi = 300);

} // namespace platform

#pragma once

#include "platform/Export.h"

// Printing to a PDF file: IReportCtrl::Print names a printer, and a name registered here is a
// printer that writes each document to a file instead of a CUPS queue.
namespace srctrl::platform {

// Registers a printer name under which CreateDCA writes each document to `pdfPath`, on paper of
// the given size in millimetres at the given resolution. A registered name hides a CUPS queue of
// the same name. False for a null or empty name or path, or a size or resolution below 1.
SRCTRL_API bool RegisterPdfPrinter(const char* name, const char* pdfPath, double widthMm = 210.0,
                                   double heightMm = 297.0, int dpi = 300);

// Registers a file printer under `name` that lays pages out exactly as the printer `like` (a CUPS
// queue or a file printer registered here) does: its paper, printable area and resolution, so
// that its PDF previews what `like` prints. False when `like` names no printer (with a last-error
// text) or for a null or empty name or path.
SRCTRL_API bool RegisterPdfPrinterLike(const char* name, const char* pdfPath, const char* like);

} // namespace srctrl::platform

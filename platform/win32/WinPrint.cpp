#include "platform/win32/DeviceContext.h"
#include "platform/kmbase/KMString.h"
#include "platform/win32/CupsLibrary.h"
#include "SrCtrlVersion.h"

#include <cairo-pdf.h>
#include <cairo-ps.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <cstdlib>
#include <ctime>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <utility>

namespace {

struct PdfPrinter {
    std::string strPath;
    double dWidthMm;
    double dHeightMm;
    int nDpi;
};

std::mutex g_printersMutex;
std::map<std::string, PdfPrinter>& PdfPrinters()
{
    static std::map<std::string, PdfPrinter> printers;
    return printers;
}

// What a queue is taken to print at when it does not say.
constexpr int kCupsDpi = 300;
constexpr int kMinDpi = 72;
constexpr int kMaxDpi = 2400;

// The PostScript that a CUPS job is written to before it is handed to the queue.
std::string CupsSpoolPath()
{
    static std::atomic<unsigned> counter{0};
    const std::string suffix = ".spool." + std::to_string(getpid()) + "." + std::to_string(counter++);
    const char* tmp = std::getenv("TMPDIR");
    return std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/srctrl-print" + suffix + ".ps";
}

// Where the document is written: for a file printer a replacement of its PDF (a link stays a
// link, the file keeps its permissions, a device or FIFO is refused), for a queue a spool file.
bool OpenSpool(DeviceContext& dc)
{
    if (!dc.strPrinter.empty()) {
        dc.strSpoolPath = CupsSpoolPath();
        return true;
    }
    std::unique_ptr<KMFileReplace> replace(new (std::nothrow) KMFileReplace);
    if (!replace || replace->Begin(dc.strOutputPath.c_str()) != KMFile::Error::None) {
        return false;
    }
    dc.strSpoolPath = replace->TemporaryPath();
    dc.pReplace = std::move(replace);
    return true;
}

void DropSpool(DeviceContext& dc)
{
    if (dc.pReplace) {
        dc.pReplace.reset();
    } else {
        std::remove(dc.strSpoolPath.c_str());
    }
}

// The queue's default resolution, kCupsDpi when it does not say.
int ReadCupsDpi(const CupsLibrary& cups, cups_dest_t* dest, cups_dinfo_t* info)
{
    ipp_attribute_t* attr = cups.FindDestDefault(CUPS_HTTP_DEFAULT, dest, info, "printer-resolution");
    if (attr == nullptr || cups.GetValueTag(attr) != IPP_TAG_RESOLUTION) {
        return kCupsDpi;
    }
    int yres = 0;
    ipp_res_t units = IPP_RES_PER_INCH;
    int xres = cups.GetResolution(attr, 0, &yres, &units);
    if (units == IPP_RES_PER_CM) {
        xres = static_cast<int>(xres * 2.54 + 0.5);
    }
    return xres >= kMinDpi && xres <= kMaxDpi ? xres : kCupsDpi;
}

// The paper of a CUPS queue (its default media, A4 when the queue does not say), the margins it
// cannot print on and its resolution.
void ReadCupsMedia(const CupsLibrary& cups, cups_dest_t* dest, DeviceContext& dc)
{
    dc.dWidthMm = 210.0;
    dc.dHeightMm = 297.0;
    dc.nDpi = kCupsDpi;
    cups_dinfo_t* info = cups.CopyDestInfo(CUPS_HTTP_DEFAULT, dest);
    if (info == nullptr) {
        return;
    }
    cups_size_t size{};
    if (cups.GetDestMediaDefault(CUPS_HTTP_DEFAULT, dest, info, 0, &size) && size.width > 0 && size.length > 0 &&
        size.left >= 0 && size.right >= 0 && size.top >= 0 && size.bottom >= 0 &&
        size.left + size.right < size.width && size.top + size.bottom < size.length) {
        dc.dWidthMm = size.width / 100.0;
        dc.dHeightMm = size.length / 100.0;
        dc.dLeftMm = size.left / 100.0;
        dc.dRightMm = size.right / 100.0;
        dc.dTopMm = size.top / 100.0;
        dc.dBottomMm = size.bottom / 100.0;
    }
    dc.nDpi = ReadCupsDpi(cups, dest, info);
    cups.FreeDestInfo(info);
}

// Hands the spooled PostScript to the queue as one job named after the document; false when the
// queue did not take all of it (the job is then cancelled).
bool SubmitCupsJob(const DeviceContext& dc)
{
    const CupsLibrary* library = CupsLibrary::Get();
    if (library == nullptr) {
        return false;
    }
    const CupsLibrary& cups = *library;
    std::ifstream in(dc.strSpoolPath, std::ios::binary);
    cups_dest_t* dest = cups.GetNamedDest(CUPS_HTTP_DEFAULT, dc.strPrinter.c_str(), nullptr);
    if (!in || dest == nullptr) {
        cups.FreeDests(dest != nullptr ? 1 : 0, dest);
        return false;
    }
    cups_dinfo_t* info = cups.CopyDestInfo(CUPS_HTTP_DEFAULT, dest);
    int job = 0;
    bool sent = false;
    if (info != nullptr && cups.CreateDestJob(CUPS_HTTP_DEFAULT, dest, info, &job, dc.strTitle.c_str(), 0, nullptr) ==
                               IPP_STATUS_OK) {
        if (cups.StartDestDocument(CUPS_HTTP_DEFAULT, dest, info, job, dc.strTitle.c_str(), CUPS_FORMAT_POSTSCRIPT, 0,
                                  nullptr, 1) == HTTP_STATUS_CONTINUE) {
            char buffer[65536];
            bool written = true;
            while (written && in) {
                in.read(buffer, sizeof buffer);
                const std::streamsize count = in.gcount();
                written = count == 0 ||
                          cups.WriteRequestData(CUPS_HTTP_DEFAULT, buffer, static_cast<size_t>(count)) == HTTP_STATUS_CONTINUE;
            }
            sent = cups.FinishDestDocument(CUPS_HTTP_DEFAULT, dest, info) == IPP_STATUS_OK && written && in.eof();
        }
        if (!sent) {
            cups.CancelDestJob(CUPS_HTTP_DEFAULT, dest, job);
        }
    }
    cups.FreeDestInfo(info);
    cups.FreeDests(1, dest);
    return sent;
}

// The document's properties as a PDF reader shows them: its title, author and subject, the
// program that made it and when.
void WritePdfMetadata(cairo_surface_t* surface, const DeviceContext& dc)
{
    for (const auto& item : {std::make_pair(CAIRO_PDF_METADATA_TITLE, &dc.strTitle),
                             std::make_pair(CAIRO_PDF_METADATA_AUTHOR, &dc.strAuthor),
                             std::make_pair(CAIRO_PDF_METADATA_SUBJECT, &dc.strSubject)}) {
        if (!item.second->empty()) {
            cairo_pdf_surface_set_metadata(surface, item.first, item.second->c_str());
        }
    }
    cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_CREATOR, "srctrl " SRCTRL_VERSION_STRING);
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    char date[32];
    char zone[8];
    if (localtime_r(&now, &local) != nullptr && std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local) > 0 &&
        std::strftime(zone, sizeof zone, "%z", &local) == 5) {
        // ISO 8601 wants the offset as +hh:mm.
        const std::string stamp = std::string(date) + std::string(zone, 3) + ":" + std::string(zone + 3, 2);
        cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_CREATE_DATE, stamp.c_str());
    }
}

// The surface a document is drawn on, in points. A queue gets PostScript: Cairo's PDF pages are
// each one transparency group, and CUPS's filters turn any page with a group into a picture on
// the way to PostScript, losing text and fonts; PostScript pages carry no group.
cairo_surface_t* CreateDocumentSurface(const DeviceContext& dc)
{
    const double points = 72.0 / 25.4;
    if (dc.strPrinter.empty()) {
        cairo_surface_t* surface =
            cairo_pdf_surface_create(dc.strSpoolPath.c_str(), dc.dWidthMm * points, dc.dHeightMm * points);
        WritePdfMetadata(surface, dc);
        return surface;
    }
    cairo_surface_t* surface =
        cairo_ps_surface_create(dc.strSpoolPath.c_str(), dc.dWidthMm * points, dc.dHeightMm * points);
    cairo_ps_surface_restrict_to_level(surface, CAIRO_PS_LEVEL_3);
    return surface;
}

void CloseSurface(DeviceContext* dc)
{
    if (dc->pCairo != nullptr) {
        cairo_destroy(dc->pCairo);
        dc->pCairo = nullptr;
    }
    if (dc->pSurface != nullptr) {
        cairo_surface_finish(dc->pSurface);
        cairo_surface_destroy(dc->pSurface);
        dc->pSurface = nullptr;
    }
}

} // namespace

namespace platform {

bool RegisterPdfPrinter(const char* name, const char* pdfPath, double widthMm, double heightMm, int dpi)
{
    if (name == nullptr || *name == '\0' || pdfPath == nullptr || *pdfPath == '\0' || !(widthMm >= 1.0) ||
        !(heightMm >= 1.0) || dpi < 1 || widthMm > 10000.0 || heightMm > 10000.0 || dpi > kMaxDpi) {
        return false;
    }
    std::lock_guard<std::mutex> lock(g_printersMutex);
    PdfPrinters()[name] = PdfPrinter{pdfPath, widthMm, heightMm, dpi};
    return true;
}

bool SetDocumentProperties(HDC hdc, const std::string& author, const std::string& subject)
{
    DeviceContext* dc = LookupDC(hdc);
    if (dc == nullptr || !dc->bPrinter || dc->bInDocument) {
        return false;
    }
    dc->strAuthor = author;
    dc->strSubject = subject;
    return true;
}

void AbandonDocument(DeviceContext* dc)
{
    if (!dc->bInDocument) {
        return;
    }
    CloseSurface(dc);
    DropSpool(*dc);
    dc->bInDocument = false;
    dc->bInPage = false;
}

} // namespace platform

HDC CreateDCA(const char*, const char* device, const char*, const void*)
{
    if (device == nullptr || *device == '\0') {
        return nullptr;
    }
    auto* dc = new (std::nothrow) DeviceContext;
    if (dc == nullptr) {
        return nullptr;
    }
    dc->bPrinter = true;
    bool found = false;
    {
        std::lock_guard<std::mutex> lock(g_printersMutex);
        auto it = PdfPrinters().find(device);
        if (it != PdfPrinters().end()) {
            dc->strOutputPath = it->second.strPath;
            dc->dWidthMm = it->second.dWidthMm;
            dc->dHeightMm = it->second.dHeightMm;
            dc->nDpi = it->second.nDpi;
            found = true;
        }
    }
    const CupsLibrary* cups = found ? nullptr : CupsLibrary::Get();
    if (cups != nullptr) {
        cups_dest_t* dest = cups->GetNamedDest(CUPS_HTTP_DEFAULT, device, nullptr);
        if (dest != nullptr) {
            dc->strPrinter = device;
            ReadCupsMedia(*cups, dest, *dc);
            cups->FreeDests(1, dest);
            found = true;
        }
    }
    if (!found) {
        delete dc;
        return nullptr;
    }
    return static_cast<HDC>(platform::RegisterGdiObject(dc));
}

int StartDocW(HDC hdc, const DOCINFOW* info)
{
    DeviceContext* dc = platform::LookupDC(hdc);
    if (dc == nullptr || !dc->bPrinter || dc->bInDocument || info == nullptr) {
        return 0;
    }
    dc->strTitle = info->lpszDocName != nullptr ? KMString(info->lpszDocName).str() : std::string();
    if (!OpenSpool(*dc)) {
        return 0;
    }
    cairo_surface_t* surface = CreateDocumentSurface(*dc);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        DropSpool(*dc);
        return 0;
    }
    dc->pSurface = surface;
    dc->bInDocument = true;
    return 1;
}

int StartPage(HDC hdc)
{
    DeviceContext* dc = platform::LookupDC(hdc);
    if (dc == nullptr || !dc->bInDocument || dc->bInPage) {
        return 0;
    }
    cairo_t* cr = cairo_create(dc->pSurface);
    if (cairo_status(cr) != CAIRO_STATUS_SUCCESS) {
        cairo_destroy(cr);
        return 0;
    }
    // Drawing happens in device units, dots at the printer's resolution, from the corner of the
    // printable area.
    cairo_scale(cr, 72.0 / dc->nDpi, 72.0 / dc->nDpi);
    cairo_translate(cr, dc->OffsetX(), dc->OffsetY());
    dc->pCairo = cr;
    dc->bInPage = true;
    return 1;
}

int EndPage(HDC hdc)
{
    DeviceContext* dc = platform::LookupDC(hdc);
    if (dc == nullptr || !dc->bInPage) {
        return 0;
    }
    cairo_show_page(dc->pCairo);
    const bool ok = cairo_status(dc->pCairo) == CAIRO_STATUS_SUCCESS;
    cairo_destroy(dc->pCairo);
    dc->pCairo = nullptr;
    dc->bInPage = false;
    return ok ? 1 : 0;
}

int EndDoc(HDC hdc)
{
    DeviceContext* dc = platform::LookupDC(hdc);
    if (dc == nullptr || !dc->bInDocument) {
        return 0;
    }
    if (dc->bInPage) {
        EndPage(hdc);
    }
    cairo_surface_finish(dc->pSurface);
    const bool written = cairo_surface_status(dc->pSurface) == CAIRO_STATUS_SUCCESS;
    CloseSurface(dc);
    dc->bInDocument = false;
    bool done = false;
    if (written && dc->pReplace) {
        done = dc->pReplace->Commit() == KMFile::Error::None;
    } else if (written) {
        done = SubmitCupsJob(*dc);
    }
    DropSpool(*dc);
    return done ? 1 : 0;
}

int AbortDoc(HDC hdc)
{
    DeviceContext* dc = platform::LookupDC(hdc);
    if (dc == nullptr || !dc->bInDocument) {
        return 0;
    }
    platform::AbandonDocument(dc);
    return 1;
}

#include "platform/win32/DeviceContext.h"
#include "platform/kmbase/KMLastError.h"
#include "platform/kmbase/KMString.h"
#include "platform/win32/CupsLibrary.h"
#include "SrCtrlVersion.h"

#include <cairo-pdf.h>
#include <cairo-ps.h>

#include <algorithm>
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
    // The margins it cannot print on, as a queue it stands in for has them.
    double dLeftMm = 0;
    double dTopMm = 0;
    double dRightMm = 0;
    double dBottomMm = 0;
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

// Cairo hands a document's bytes to these as it writes them: a file printer's go straight into
// the replacement of its PDF, through the descriptor it owns, so that a full disk or an I/O error
// fails the document; a queue's are kept in memory until the job is submitted.
cairo_status_t WriteToFile(void* closure, const unsigned char* data, unsigned int length)
{
    return static_cast<KMFileReplace*>(closure)->Write(data, length) ? CAIRO_STATUS_SUCCESS : CAIRO_STATUS_WRITE_ERROR;
}

cairo_status_t WriteToSpool(void* closure, const unsigned char* data, unsigned int length)
{
    try {
        static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
        return CAIRO_STATUS_SUCCESS;
    } catch (const std::bad_alloc&) {
        return CAIRO_STATUS_NO_MEMORY;
    }
}

// Where a file printer's document goes: a replacement of its PDF (a link stays a link, the file
// keeps its mode, owner and group, a device or FIFO is refused).
bool OpenReplacement(DeviceContext& dc)
{
    std::unique_ptr<KMFileReplace> replace(new (std::nothrow) KMFileReplace);
    if (!replace) {
        KMLastError::Set("PDF not written: " + dc.strOutputPath + ": out of memory");
        return false;
    }
    if (replace->Begin(dc.strOutputPath.c_str()) != KMFile::Error::None) {
        KMLastError::Set("PDF not written: " + dc.strOutputPath + ": " + replace->Reason());
        return false;
    }
    dc.pReplace = std::move(replace);
    return true;
}

void DropSpool(DeviceContext& dc)
{
    dc.pReplace.reset();
    std::string().swap(dc.strSpool);
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
    cups_dest_t* dest = cups.GetNamedDest(CUPS_HTTP_DEFAULT, dc.strPrinter.c_str(), nullptr);
    if (dest == nullptr) {
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
            constexpr size_t kChunk = 65536;
            bool written = true;
            for (size_t done = 0; written && done < dc.strSpool.size(); done += kChunk) {
                const size_t count = std::min(kChunk, dc.strSpool.size() - done);
                written = cups.WriteRequestData(CUPS_HTTP_DEFAULT, dc.strSpool.data() + done, count) == HTTP_STATUS_CONTINUE;
            }
            sent = cups.FinishDestDocument(CUPS_HTTP_DEFAULT, dest, info) == IPP_STATUS_OK && written;
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
cairo_surface_t* CreateDocumentSurface(DeviceContext& dc)
{
    const double points = 72.0 / 25.4;
    if (dc.strPrinter.empty()) {
        cairo_surface_t* surface = cairo_pdf_surface_create_for_stream(WriteToFile, dc.pReplace.get(),
                                                                       dc.dWidthMm * points, dc.dHeightMm * points);
        WritePdfMetadata(surface, dc);
        return surface;
    }
    cairo_surface_t* surface =
        cairo_ps_surface_create_for_stream(WriteToSpool, &dc.strSpool, dc.dWidthMm * points, dc.dHeightMm * points);
    cairo_ps_surface_restrict_to_level(surface, CAIRO_PS_LEVEL_3);
    return surface;
}

// Names why a file printer's document failed: the file's own reason (a full disk) where there is
// one, else Cairo's. A queue's failure is named by the caller, who knows the queue.
void SetDocumentFailure(const DeviceContext& dc, cairo_status_t status)
{
    if (dc.pReplace) {
        const std::string why = !dc.pReplace->Reason().empty() ? dc.pReplace->Reason() : cairo_status_to_string(status);
        KMLastError::Set("PDF not written: " + dc.strOutputPath + ": " + why);
    }
}

// Renames a file printer's finished PDF over its target; false, with the reason, when Cairo or
// the file failed, the old file then kept as it was.
bool CommitPdf(DeviceContext& dc, cairo_status_t status)
{
    if (status == CAIRO_STATUS_SUCCESS && dc.pReplace->Commit() == KMFile::Error::None) {
        return true;
    }
    SetDocumentFailure(dc, status);
    return false;
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

namespace srctrl::platform {

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

bool RegisterPdfPrinterLike(const char* name, const char* pdfPath, const char* like)
{
    if (name == nullptr || *name == '\0' || pdfPath == nullptr || *pdfPath == '\0' || like == nullptr) {
        return false;
    }
    HDC hdc = CreateDCA(nullptr, like, nullptr, nullptr);
    const DeviceContext* dc = hdc != nullptr ? LookupDC(hdc) : nullptr;
    if (dc == nullptr) {
        KMLastError::Set(std::string("no such printer: ") + like);
        DeleteDC(hdc);
        return false;
    }
    PdfPrinter printer{pdfPath, dc->dWidthMm, dc->dHeightMm, dc->nDpi, dc->dLeftMm, dc->dTopMm, dc->dRightMm, dc->dBottomMm};
    DeleteDC(hdc);
    std::lock_guard<std::mutex> lock(g_printersMutex);
    PdfPrinters()[name] = std::move(printer);
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

} // namespace srctrl::platform

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
            dc->dLeftMm = it->second.dLeftMm;
            dc->dTopMm = it->second.dTopMm;
            dc->dRightMm = it->second.dRightMm;
            dc->dBottomMm = it->second.dBottomMm;
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
    if (dc->strPrinter.empty() && !OpenReplacement(*dc)) {
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
    const cairo_status_t status = cairo_status(dc->pCairo);
    const bool ok = status == CAIRO_STATUS_SUCCESS;
    if (!ok) {
        SetDocumentFailure(*dc, status);
    }
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
    const cairo_status_t status = cairo_surface_status(dc->pSurface);
    CloseSurface(dc);
    dc->bInDocument = false;
    const bool done = dc->pReplace ? CommitPdf(*dc, status) : status == CAIRO_STATUS_SUCCESS && SubmitCupsJob(*dc);
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

#pragma once

#include "platform/duilib/CTextLayout.h"
#include "platform/duilib/WindowImplBase.h"
#include "printing/KMPrintStyle.h"

#include <string>
#include <vector>

class KMDcmSR;
class KMReportTemplate;
class KMReportUIHandler;

// A hidden window that holds an off-screen copy of a report page, laid out at a zoom of its own,
// for printing and for template thumbnails. The owner creates it without a parent, disabled and
// never shown, and deletes it; the page belongs to the window's "pagePanel".
class KMPrintWindow : public DuiLib::WindowImplBase {
public:
    KMPrintWindow() = default;
    ~KMPrintWindow() override;

    // Rebuilds the page from the template; false when the skin has no "pagePanel" or the
    // template builds no page.
    bool BuildPage(const KMReportTemplate& report);
    // Prints the report as one document on a printer device context, named (and, in a PDF,
    // titled) "<template name> — <patient name> — <report date>", with the author observer and
    // the study description as the PDF's author and subject. Builds the page, fills it from the
    // document and the QR text and makes it a document page (KMPaperPage: values as text, what
    // has nothing to show left out), lets every multi-line text box take its whole text, scales
    // the page to fit the printable area's width and height and flows it over as many sheets as
    // its text takes. Each sheet ends with "Page n of N" and the document's status; every sheet
    // after the first starts with the region from the page's top down to a control that the
    // template marks printheader="repeat" (or the page's top inset), then a line naming the
    // patient and the document; a report that is not verified carries a band with the
    // template's preliminary mark at the top of every sheet. The words are the template's
    // (KMPrintStyle). False, with nothing sent to the printer, when the page cannot be built or
    // filled, or would not show the whole text of a field (the last error names the field);
    // false when a page or the document did not reach the printer (the document is then
    // abandoned). The screen's page is not touched: this window holds its own copy.
    bool PrintReport(HDC dc, KMDcmSR* sr, const std::string& qrCode, const KMReportTemplate& report);
    // The page of a template file, unfilled, in a new bitmap (owned by the caller) fitted into
    // wanted width x height (a size below 1 means the page's width, a size above kMaxPreviewSide
    // counts as kMaxPreviewSide); its size goes to the outputs. Null when the file does not load,
    // builds no page or has no size.
    HBITMAP RenderTemplateBitmap(const char* path, int* width, int* height, int wantedWidth, int wantedHeight);
    // The largest bitmap side that Cairo paints into.
    static constexpr int kMaxPreviewSide = 32767;

protected:
    DuiLib::LPCTSTR GetWindowClassName() const override;
    DuiLib::CDuiString GetSkinFolder() override;
    DuiLib::CDuiString GetSkinFile() override;
    void InitWindow() override;

private:
    // A band of the laid-out page, [nTop, nBottom) in device rows.
    struct Band {
        int nTop;
        int nBottom;
    };

    // Where a page goes on a sheet of paper, in device pixels: its left edge and size, the top
    // of the page on every sheet (below the preliminary band), the bottom of the header that
    // later sheets repeat (0 for none), the height of their running header, where their body
    // starts, and the band at the foot that holds the sheet's number.
    struct Sheet {
        int nX;
        int nWidth;
        int nHeight;
        int nTop;
        int nHeader;
        int nRunning;
        int nBodyTop;
        int nFooter;
        // The page's inset: the running header lines up with its left and right.
        RECT rcInset;
    };

    // Builds the page and fills it through `handler` from the document, with the QR text and
    // the verified badge; false when the page cannot be built or filled.
    bool FillPage(KMReportUIHandler& handler, KMDcmSR* sr, const std::string& qrCode, const KMReportTemplate& report);
    // Gives the page panel and the window the page's size.
    void SizeToPage();
    void LayOutAtZoom(float zoom);
    // The lowest row at or above `limit` where a page can end without cutting a line of text
    // or a control (`limit` itself when a control taller than a page leaves no other choice).
    int FindBreak(int start, int limit) const;
    static int BreakInside(DuiLib::CControlUI* control, int limit);
    // The bands of the page's body that go on each sheet, the first sheet's below nTop, the
    // others' below nBodyTop, each above the footer.
    std::vector<Band> Paginate(const Sheet& sheet) const;
    // The bottom of the repeated header region (0 when the template marks none).
    int RepeatedHeaderBottom() const;
    // Lays the running header out at the page's width; its height with the gap below it.
    int LayOutRunningHeader(const std::wstring& text, int width);
    // One sheet: the repeated header and the running header (after the first), the band of the
    // page, the preliminary mark and the footer; false when the page did not reach the printer.
    bool PrintSheet(HDC dc, const Sheet& sheet, const Band& band, size_t index, size_t count);
    // Paints `band` of the laid-out page with its top at device row `y`, `x` from the left.
    void PaintBand(HDC dc, const Band& band, int x, int y);
    void PaintRunningHeader(HDC dc, const Sheet& sheet, int y);
    void PaintPreliminaryMark(HDC dc, const Sheet& sheet);

    DuiLib::CControlUI* m_pPageRoot = nullptr;
    // The words and marks of the template being printed, and the running header's lines.
    KMPrintStyle m_style;
    DuiLib::CTextLayout m_runningHeader;
    bool m_bVerified = false;
};

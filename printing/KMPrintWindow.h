#pragma once

#include "platform/duilib/WindowImplBase.h"

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
    // Prints the report as one document named `title` on a printer device context: builds the
    // page, fills it from the document and the QR text, lets every multi-line text box grow to
    // its whole text, scales the page to fit the printable area's width and height and flows it
    // over as many pages as its text takes, each numbered "n/N" in the page's bottom inset. The
    // region from the page's top down to a control that the template marks
    // printheader="repeat" starts every page; without one, later pages start with the page's
    // top inset. False, with nothing sent to the printer, when the page cannot be built or
    // filled, or would not show the whole text of a field (the last error names the field);
    // false when a page or the document did not reach the printer (the document is
    // then abandoned). The screen's page is not touched: this window holds its own copy.
    bool PrintReport(HDC dc, const std::wstring& title, KMDcmSR* sr, const std::string& qrCode,
                     const KMReportTemplate& report);
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

    // Where a page goes on a sheet of paper, in device pixels: its left edge and size, the
    // bottom of the header that later sheets repeat (0 for none), where their body starts, and
    // the band at the foot that holds the sheet's number.
    struct Sheet {
        int nX;
        int nWidth;
        int nHeight;
        int nHeader;
        int nBodyTop;
        int nFooter;
    };

    // Builds the page and fills it through `handler` from the document, with the QR text and
    // the verified badge; false when the page cannot be built or filled.
    bool FillPage(KMReportUIHandler& handler, KMDcmSR* sr, const std::string& qrCode, const KMReportTemplate& report);
    // Gives the page panel and the window the page's size.
    void SizeToPage();
    void LayOutAtZoom(float zoom);
    // Grows each multi-line text box, and the fixed-height containers around it, to its text.
    void GrowTextBoxes();
    // The lowest row at or above `limit` where a page can end without cutting a line of text
    // or a control (`limit` itself when a control taller than a page leaves no other choice).
    int FindBreak(int start, int limit) const;
    static int BreakInside(DuiLib::CControlUI* control, int limit);
    // The bands of the page's body that go on each page, below `headerHeight` rows.
    std::vector<Band> Paginate(int pageHeight, int headerHeight, int bottomInset) const;
    // The bottom of the repeated header region (0 when the template marks none).
    int RepeatedHeaderBottom(const KMReportTemplate& report);
    // One sheet: the repeated header (after the first), the band of the page and the number
    // "index + 1/count"; false when the page did not reach the printer.
    bool PrintSheet(HDC dc, const Sheet& sheet, const Band& band, size_t index, size_t count);
    // Paints `band` of the laid-out page with its top at device row `y`, `x` from the left.
    void PaintBand(HDC dc, const Band& band, int x, int y);

    DuiLib::CControlUI* m_pPageRoot = nullptr;
};

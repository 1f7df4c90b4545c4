#pragma once

#include "platform/duilib/WindowImplBase.h"

#include <string>

class KMDcmSR;
class KMReportTemplate;

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
    // Builds the page, fills it from the document and the QR text, scales it to the paper's
    // width and paints it at the device context's origin. Nothing is painted on failure.
    void PrintPage(HDC dc, KMDcmSR* sr, const std::string& qrCode, const KMReportTemplate& report);
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
    // Gives the page panel and the window the page's size.
    void SizeToPage();
    void LayOutAtZoom(float zoom);

    DuiLib::CControlUI* m_pPageRoot = nullptr;
};

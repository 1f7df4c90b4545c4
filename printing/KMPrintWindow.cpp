#include "printing/KMPrintWindow.h"

#include "binding/KMReportUIHandler.h"
#include "platform/duilib/CContainerUI.h"
#include "platform/duilib/CDialogBuilder.h"
#include "platform/duilib/CEditUI.h"
#include "platform/duilib/CRenderEngine.h"
#include "platform/kmdicom/KMDcmSR.h"
#include "platform/kmbase/KMString.h"
#include "platform/win32/DeviceContext.h"
#include "platform/kmbase/KMUtil.h"
#include "platform/win32/GdiPlus.h"
#include "platform/kmbase/KMLastError.h"
#include "printing/KMPaperPage.h"
#include "printing/PrintedText.h"
#include "report/KMReportTemplate.h"

#include <algorithm>
#include <cwchar>

KMPrintWindow::~KMPrintWindow()
{
    if (::IsWindow(GetHWND())) {
        ::DestroyWindow(GetHWND());
    }
}

DuiLib::LPCTSTR KMPrintWindow::GetWindowClassName() const { return L"KMPrintWindow"; }
DuiLib::CDuiString KMPrintWindow::GetSkinFolder() { return KMUtil::GetSkinPath().c_wstr(); }
DuiLib::CDuiString KMPrintWindow::GetSkinFile() { return L"srctrl/sr_print_window.xml"; }

void KMPrintWindow::InitWindow()
{
    auto* panel = dynamic_cast<DuiLib::CContainerUI*>(m_pm.FindControl(L"pagePanel"));
    if (panel == nullptr) {
        return;
    }
    DuiLib::CDialogBuilder builder;
    m_pPageRoot = builder.Create(L"srctrl/default_template.xml", nullptr, nullptr, &m_pm);
    if (m_pPageRoot == nullptr) {
        return;
    }
    panel->Add(m_pPageRoot);
    SizeToPage();
}

void KMPrintWindow::SizeToPage()
{
    DuiLib::CControlUI* panel = m_pm.FindControl(L"pagePanel");
    if (panel == nullptr || m_pPageRoot == nullptr) {
        return;
    }
    panel->SetFixedWidth(m_pPageRoot->GetFixedWidth());
    panel->SetFixedHeight(m_pPageRoot->GetFixedHeight());
    ResizeClient(m_pPageRoot->GetFixedWidth(), m_pPageRoot->GetFixedHeight());
}

bool KMPrintWindow::BuildPage(const KMReportTemplate& report)
{
    std::string text;
    report.ToXml(text);
    auto* panel = dynamic_cast<DuiLib::CContainerUI*>(m_pm.FindControl(L"pagePanel"));
    if (panel == nullptr) {
        return false;
    }
    panel->RemoveAll();
    m_pPageRoot = nullptr;
    DuiLib::CDialogBuilder builder;
    m_pPageRoot = builder.CreateFromXml(text.data(), text.size(), nullptr, &m_pm);
    if (m_pPageRoot == nullptr) {
        return false;
    }
    panel->AddAt(m_pPageRoot, 0);
    SizeToPage();
    return true;
}

void KMPrintWindow::LayOutAtZoom(float zoom)
{
    m_pm.SetZoomRatio(zoom);
    const RECT rc{0, 0, m_pPageRoot->GetFixedWidth(), m_pPageRoot->GetFixedHeight()};
    if (DuiLib::CControlUI* panel = m_pm.FindControl(L"pagePanel")) {
        panel->SetPos(rc, true);
    }
}

namespace {

// The design height of the band at a page's foot that holds its number, when the page's own
// bottom inset is smaller.
constexpr int kPageNumberBand = 20;
// A repeated header leaves at least this share of a page to the body, or it is not repeated.
constexpr int kMinBodyShare = 4;
constexpr DWORD kPageNumberColor = 0xFF606060;
// The band that marks every sheet of a report that is not verified: design height and colours.
constexpr int kMarkBand = 22;
constexpr DWORD kMarkColor = 0xFFB3261E;
constexpr DWORD kMarkBackColor = 0xFFFBE4E2;
// The running header's text, with design gaps above it and below it, where a rule parts it from
// the body.
constexpr DWORD kRunningHeaderColor = 0xFF303030;
constexpr DWORD kRunningRuleColor = 0xFFB8C0C8;
constexpr int kRunningAbove = 4;
constexpr int kRunningBelow = 12;
// The template's badge that a verified report shows.
constexpr const wchar_t* kVerifiedBadge = L"verifiedCtrl";

bool IsGrowingText(DuiLib::CControlUI* control)
{
    return control->IsVisible() && std::wcscmp(control->GetClass(), L"RichEdit") == 0;
}

// The copy paints for paper while it is printed; a template's thumbnail keeps the form.
class PrintingScope {
public:
    explicit PrintingScope(DuiLib::CPaintManagerUI& manager) : m_manager(manager) { m_manager.SetPrinting(true); }
    ~PrintingScope() { m_manager.SetPrinting(false); }
    PrintingScope(const PrintingScope&) = delete;
    PrintingScope& operator=(const PrintingScope&) = delete;

private:
    DuiLib::CPaintManagerUI& m_manager;
};

} // namespace

int KMPrintWindow::BreakInside(DuiLib::CControlUI* control, int limit)
{
    const RECT& rc = control->GetPos();
    if (!control->IsVisible() || limit <= rc.top || limit >= rc.bottom) {
        return limit;
    }
    if (IsGrowingText(control)) {
        return static_cast<DuiLib::CEditUI*>(control)->GetLineBreakAbove(limit);
    }
    auto* container = dynamic_cast<DuiLib::CContainerUI*>(control);
    if (container == nullptr) {
        return rc.top;
    }
    int best = limit;
    for (int i = 0; i < container->GetCount(); ++i) {
        best = std::min(best, BreakInside(container->GetItemAt(i), limit));
    }
    return best;
}

int KMPrintWindow::FindBreak(int start, int limit) const
{
    // A break moved up for one column may fall inside a line of a column beside it: move it
    // again until no control is cut.
    int at = limit;
    for (int round = 0; round < 16; ++round) {
        const int next = BreakInside(m_pPageRoot, at);
        if (next == at) {
            break;
        }
        at = next;
    }
    return at > start ? at : limit;
}

std::vector<KMPrintWindow::Band> KMPrintWindow::Paginate(const Sheet& sheet) const
{
    const int height = m_pPageRoot->GetPos().bottom;
    if (sheet.nTop + height <= sheet.nHeight) {
        return {Band{0, height}};
    }
    // The page's own bottom inset is blank: the last band ends above it.
    const int end = height - std::min<int>(sheet.rcInset.bottom, height);
    std::vector<Band> bands;
    int top = 0;
    while (top < end) {
        const int room = sheet.nHeight - sheet.nFooter - (bands.empty() ? sheet.nTop : sheet.nBodyTop);
        const int limit = top + std::max(1, room);
        const int bottom = limit >= end ? end : FindBreak(top, limit);
        bands.push_back(Band{top, bottom});
        top = bottom;
    }
    return bands;
}

int KMPrintWindow::RepeatedHeaderBottom() const
{
    const std::string& name = m_style.GetRepeatedHeader();
    DuiLib::CControlUI* header = name.empty() ? nullptr : m_pm.FindControl(KMString(name).c_wstr());
    return header != nullptr && header->IsVisible() ? std::max<int>(0, header->GetPos().bottom) : 0;
}

int KMPrintWindow::LayOutRunningHeader(const std::wstring& text, int width)
{
    m_runningHeader.SetFont(m_pm.GetFont(-1), m_pm.GetZoomRatio());
    m_runningHeader.SetWidth(std::max(1, width));
    m_runningHeader.SetText(text);
    if (text.empty()) {
        return 0;
    }
    return m_pm.Scale(kRunningAbove) + m_runningHeader.GetHeight(0, m_runningHeader.GetParagraphCount()) +
           m_pm.Scale(kRunningBelow);
}

void KMPrintWindow::PaintRunningHeader(HDC dc, const Sheet& sheet, int y)
{
    if (sheet.nRunning <= 0) {
        return;
    }
    const int top = y + m_pm.Scale(kRunningAbove);
    const int textHeight = sheet.nRunning - m_pm.Scale(kRunningAbove) - m_pm.Scale(kRunningBelow);
    const int left = sheet.nX + sheet.rcInset.left;
    m_runningHeader.Paint(dc, left, top, 0, textHeight, kRunningHeaderColor);
    const int rule = top + textHeight + m_pm.Scale(kRunningBelow) / 3;
    const int right = sheet.nX + sheet.nWidth - sheet.rcInset.right;
    DuiLib::CRenderEngine::DrawLine(dc, left, rule, right, rule, std::max(1, m_pm.Scale(1)), kRunningRuleColor);
}

void KMPrintWindow::PaintPreliminaryMark(HDC dc, const Sheet& sheet)
{
    const RECT band{sheet.nX, 0, sheet.nX + sheet.nWidth, m_pm.Scale(kMarkBand)};
    DuiLib::CRenderEngine::DrawColor(dc, band, kMarkBackColor);
    DuiLib::CRenderEngine::DrawText(dc, &m_pm, band, m_style.GetPreliminaryMark().c_str(), kMarkColor, -1,
                                    DuiLib::DT_CENTER | DuiLib::DT_VCENTER | DuiLib::DT_SINGLELINE);
}

void KMPrintWindow::PaintBand(HDC dc, const Band& band, int x, int y)
{
    cairo_t* cr = platform::GetCairo(dc);
    if (cr == nullptr) {
        return;
    }
    cairo_save(cr);
    cairo_translate(cr, x, y - band.nTop);
    const RECT rc{0, band.nTop, m_pPageRoot->GetPos().right, band.nBottom};
    DuiLib::CRenderEngine::PushClip(dc, rc);
    m_pPageRoot->Paint(dc, rc, nullptr);
    DuiLib::CRenderEngine::PopClip(dc);
    cairo_restore(cr);
}

bool KMPrintWindow::FillPage(KMReportUIHandler& handler, KMDcmSR* sr, const std::string& qrCode,
                             const KMReportTemplate& report)
{
    if (sr == nullptr || !BuildPage(report)) {
        return false;
    }
    auto* page = dynamic_cast<DuiLib::CContainerUI*>(m_pPageRoot);
    if (page == nullptr) {
        return false;
    }
    handler.InitUI(page, false);
    if (!handler.SetDcmSR(sr)) {
        return false;
    }
    handler.SetQRCode(qrCode.c_str());
    if (DuiLib::CControlUI* badge = m_pm.FindControl(kVerifiedBadge)) {
        badge->SetVisible(sr->IsVerified());
    }
    return true;
}

bool KMPrintWindow::PrintSheet(HDC dc, const Sheet& sheet, const Band& band, size_t index, size_t count)
{
    if (StartPage(dc) <= 0) {
        return false;
    }
    if (index > 0 && sheet.nHeader > 0) {
        PaintBand(dc, Band{0, sheet.nHeader}, sheet.nX, sheet.nTop);
    }
    if (index > 0) {
        PaintRunningHeader(dc, sheet, sheet.nBodyTop - sheet.nRunning);
    }
    PaintBand(dc, band, sheet.nX, index == 0 ? sheet.nTop : sheet.nBodyTop);
    if (!m_bVerified) {
        PaintPreliminaryMark(dc, sheet);
    }
    const std::wstring footer = m_style.PageFooter(index + 1, count, m_bVerified);
    DuiLib::CRenderEngine::DrawText(dc, &m_pm,
                                    RECT{sheet.nX, sheet.nHeight - sheet.nFooter, sheet.nX + sheet.nWidth, sheet.nHeight},
                                    footer.c_str(), kPageNumberColor, -1,
                                    DuiLib::DT_CENTER | DuiLib::DT_VCENTER | DuiLib::DT_SINGLELINE);
    return EndPage(dc) > 0;
}

bool KMPrintWindow::PrintReport(HDC dc, KMDcmSR* sr, const std::string& qrCode, const KMReportTemplate& report)
{
    const int areaWidth = GetDeviceCaps(dc, HORZRES);
    const int areaHeight = GetDeviceCaps(dc, VERTRES);
    const PrintingScope paper(m_pm);
    KMReportUIHandler handler;
    if (areaWidth <= 0 || areaHeight <= 0 || !FillPage(handler, sr, qrCode, report)) {
        return false;
    }
    m_style.Load(report);
    m_bVerified = sr->IsVerified();
    auto* page = static_cast<DuiLib::CContainerUI*>(m_pPageRoot);
    KMPaperPage::LeaveOutEmpty(page);
    m_pm.SetZoomRatio(1.0f);
    const int designWidth = m_pPageRoot->GetFixedWidth();
    const int designHeight = m_pPageRoot->GetFixedHeight();
    if (designWidth <= 0 || designHeight <= 0) {
        return false;
    }
    const float zoom = std::min(static_cast<float>(areaWidth) / static_cast<float>(designWidth),
                                static_cast<float>(areaHeight) / static_cast<float>(designHeight));
    LayOutAtZoom(zoom);
    // One sheet holds the template's page as the screen shows it; what grows flows on.
    const int pageWidth = m_pPageRoot->GetFixedWidth();
    const int pageHeight = m_pPageRoot->GetFixedHeight();
    KMPaperPage::CloseGaps(page);
    SizeToPage();
    LayOutAtZoom(zoom);
    const RECT inset = page->GetInset();
    const int footer = std::max<int>(inset.bottom, m_pm.Scale(kPageNumberBand));
    // The preliminary band lies in the page's top inset, and pushes the page down where the
    // inset is narrower than the band.
    const int top = m_bVerified ? 0 : std::max<int>(0, m_pm.Scale(kMarkBand) - inset.top);
    // What later sheets start with leaves the body a share of the sheet, or gives way.
    const int bodyLimit = pageHeight - footer - pageHeight / kMinBodyShare;
    int running = LayOutRunningHeader(m_style.RunningHeader(*sr), pageWidth - inset.left - inset.right);
    int header = RepeatedHeaderBottom();
    if (top + header + running > bodyLimit) {
        header = 0;
    }
    if (top + inset.top + running > bodyLimit) {
        running = 0;
    }
    const int bodyTop = top + (header > 0 ? header : static_cast<int>(inset.top)) + running;
    const Sheet sheet{std::max(0, (areaWidth - pageWidth) / 2), pageWidth, pageHeight, top, header, running, bodyTop,
                      footer, inset};
    const std::vector<Band> bands = Paginate(sheet);
    std::string field;
    if (!ShowsEveryTextWhole(m_pPageRoot, field)) {
        KMLastError::Set("the printed copy would cut the text of the field " + field);
        return false;
    }

    const std::wstring title = m_style.DocumentTitle(*sr);
    platform::SetDocumentProperties(dc, KMString(KMPrintStyle::DocumentAuthor(*sr)).str(),
                                    KMString(KMPrintStyle::DocumentSubject(*sr)).str());
    DOCINFOW info{sizeof(DOCINFOW), title.c_str(), nullptr, nullptr, 0};
    if (StartDocW(dc, &info) <= 0) {
        return false;
    }
    for (size_t i = 0; i < bands.size(); ++i) {
        if (!PrintSheet(dc, sheet, bands[i], i, bands.size())) {
            AbortDoc(dc);
            return false;
        }
    }
    return EndDoc(dc) > 0;
}

HBITMAP KMPrintWindow::RenderTemplateBitmap(const char* path, int* width, int* height, int wantedWidth,
                                            int wantedHeight)
{
    KMReportTemplate report;
    if (!report.Load(path) || !BuildPage(report)) {
        return nullptr;
    }
    m_pm.SetZoomRatio(1.0f);
    const float pageWidth = static_cast<float>(m_pPageRoot->GetFixedWidth());
    const float pageHeight = static_cast<float>(m_pPageRoot->GetFixedHeight());
    if (!(pageWidth > 0) || !(pageHeight > 0)) {
        return nullptr;
    }
    float targetWidth = wantedWidth >= 1 ? static_cast<float>(std::min(wantedWidth, kMaxPreviewSide)) : pageWidth;
    float targetHeight = wantedHeight >= 1 ? static_cast<float>(std::min(wantedHeight, kMaxPreviewSide)) : pageWidth;
    const float aspect = pageWidth / pageHeight;
    if (aspect > targetWidth / targetHeight) {
        targetHeight = targetWidth / aspect;
    } else {
        targetWidth = aspect * targetHeight;
    }
    LayOutAtZoom(targetWidth / pageWidth);
    const int outWidth = static_cast<int>(targetWidth);
    const int outHeight = static_cast<int>(targetHeight);
    if (width != nullptr) {
        *width = outWidth;
    }
    if (height != nullptr) {
        *height = outHeight;
    }

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = outWidth;
    info.bmiHeader.biHeight = -outHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC dc = CreateCompatibleDC(nullptr);
    if (dc == nullptr) {
        return nullptr;
    }
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap == nullptr) {
        DeleteDC(dc);
        return nullptr;
    }
    HGDIOBJ previous = SelectObject(dc, bitmap);
    GpSolidFill* brush = nullptr;
    GpGraphics* graphics = nullptr;
    GdipCreateSolidFill(0xFFFFFFFF, &brush);
    GdipCreateFromHDC(dc, &graphics);
    GdipSetPixelOffsetMode(graphics, PixelOffsetModeHalf);
    GdipFillRectangle(graphics, reinterpret_cast<GpBrush*>(brush), 0, 0, static_cast<REAL>(outWidth),
                      static_cast<REAL>(outHeight));
    const RECT rc{0, 0, m_pPageRoot->GetFixedWidth(), m_pPageRoot->GetFixedHeight()};
    m_pPageRoot->DoPaint(dc, rc, nullptr);
    SelectObject(dc, previous);
    GdipDeleteGraphics(graphics);
    GdipDeleteBrush(reinterpret_cast<GpBrush*>(brush));
    DeleteDC(dc);
    return bitmap;
}

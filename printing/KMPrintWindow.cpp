#include "printing/KMPrintWindow.h"

#include "binding/KMReportUIHandler.h"
#include "platform/duilib/CContainerUI.h"
#include "platform/duilib/CDialogBuilder.h"
#include "platform/kmbase/KMUtil.h"
#include "platform/win32/GdiPlus.h"
#include "report/KMReportTemplate.h"

#include <algorithm>

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

void KMPrintWindow::PrintPage(HDC dc, KMDcmSR* sr, const std::string& qrCode, const KMReportTemplate& report)
{
    if (dc == nullptr || !BuildPage(report)) {
        return;
    }
    KMReportUIHandler handler;
    handler.InitUI(dynamic_cast<DuiLib::CContainerUI*>(m_pPageRoot), false);
    handler.SetDcmSR(sr);
    handler.SetQRCode(qrCode.c_str());
    const int paperWidth = GetDeviceCaps(dc, PHYSICALWIDTH);
    m_pm.SetZoomRatio(1.0f);
    const int pageWidth = m_pPageRoot->GetFixedWidth();
    if (pageWidth <= 0) {
        return;
    }
    LayOutAtZoom(static_cast<float>(paperWidth) / static_cast<float>(pageWidth));
    const RECT rc{0, 0, m_pPageRoot->GetFixedWidth(), m_pPageRoot->GetFixedHeight()};
    m_pPageRoot->Paint(dc, rc, nullptr);
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

#include "platform/duilib/CControlUI.h"

#include "platform/duilib/CPaintManagerUI.h"
#include "platform/duilib/CRenderEngine.h"

#include <algorithm>
#include <cmath>
#include <cwchar>
#include <cwctype>
#include <string>

namespace DuiLib {

namespace {

constexpr int kMaxDesign = 100000;

bool Intersects(const RECT& a, const RECT& b)
{
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

unsigned ParseAlign(LPCTSTR value)
{
    const std::wstring v = value;
    if (v == L"center") {
        return DT_CENTER;
    }
    if (v == L"right") {
        return DT_RIGHT;
    }
    return DT_LEFT;
}

unsigned ParseVAlign(LPCTSTR value)
{
    const std::wstring v = value;
    if (v == L"top") {
        return DT_TOP;
    }
    if (v == L"bottom") {
        return DT_BOTTOM;
    }
    return DT_VCENTER;
}

} // namespace

int ParseInt(LPCTSTR text)
{
    if (text == nullptr) {
        return 0;
    }
    wchar_t* end = nullptr;
    const long value = std::wcstol(text, &end, 10);
    return static_cast<int>(std::clamp<long>(value, -kMaxDesign, kMaxDesign));
}

RECT ParseRect(LPCTSTR text)
{
    long values[4] = {0, 0, 0, 0};
    const wchar_t* p = text != nullptr ? text : L"";
    for (long& value : values) {
        wchar_t* end = nullptr;
        value = std::clamp<long>(std::wcstol(p, &end, 10), -kMaxDesign, kMaxDesign);
        if (end == p || *end != L',') {
            break;
        }
        p = end + 1;
    }
    return RECT{static_cast<LONG>(values[0]), static_cast<LONG>(values[1]), static_cast<LONG>(values[2]),
                static_cast<LONG>(values[3])};
}

DWORD ParseColor(LPCTSTR text)
{
    if (text == nullptr) {
        return 0;
    }
    const wchar_t* p = text;
    while (*p == L'#' || std::iswspace(static_cast<wint_t>(*p))) {
        ++p;
    }
    const bool hash = std::wcschr(text, L'#') != nullptr;
    const int base = hash || (p[0] == L'0' && (p[1] == L'x' || p[1] == L'X')) ? 16 : 10;
    wchar_t* end = nullptr;
    const unsigned long value = std::wcstoul(p, &end, base);
    const size_t digits = static_cast<size_t>(end - p);
    // Six hexadecimal digits name an opaque colour.
    if (hash && digits == 6) {
        return 0xFF000000u | static_cast<DWORD>(value & 0xFFFFFF);
    }
    return static_cast<DWORD>(value & 0xFFFFFFFFu);
}

bool ParseBool(LPCTSTR text)
{
    return text != nullptr && std::wcscmp(text, L"true") == 0;
}

CControlUI::CControlUI() = default;

CControlUI::~CControlUI()
{
    if (m_pManager != nullptr) {
        m_pManager->ReapObjects(this);
    }
    DeleteObject(m_hBkBitmap);
}

CDuiString CControlUI::GetName() const { return m_sName; }
LPCTSTR CControlUI::GetClass() const { return L"Control"; }
CControlUI* CControlUI::GetParent() const { return m_pParent; }
CDuiString CControlUI::GetText() const { return m_sText; }
bool CControlUI::HasText(const wchar_t* text) const { return m_sText.Str().compare(text != nullptr ? text : L"") == 0; }

void CControlUI::SetText(LPCTSTR text)
{
    if (m_sText.Str().compare(text != nullptr ? text : L"") != 0) {
        m_sText = text;
        Invalidate();
    }
}

const RECT& CControlUI::GetPos() const { return m_rcItem; }

void CControlUI::SetPos(RECT rc, bool)
{
    rc = RECT{ClampCoordinate(rc.left), ClampCoordinate(rc.top), ClampCoordinate(rc.right), ClampCoordinate(rc.bottom)};
    if (rc.right < rc.left) {
        rc.right = rc.left;
    }
    if (rc.bottom < rc.top) {
        rc.bottom = rc.top;
    }
    const bool resized = rc.right - rc.left != m_rcItem.right - m_rcItem.left ||
                         rc.bottom - rc.top != m_rcItem.bottom - m_rcItem.top;
    const bool moved = rc.left != m_rcItem.left || rc.top != m_rcItem.top || resized;
    if (moved) {
        Invalidate();
    }
    m_rcItem = rc;
    if (moved) {
        Invalidate();
    }
    // Only a change of size is reported, so that a listener that changes the layout in
    // response does not start an endless series of layouts.
    if (resized) {
        OnSize(this);
    }
}

int CControlUI::GetWidth() const { return m_rcItem.right - m_rcItem.left; }
int CControlUI::GetHeight() const { return m_rcItem.bottom - m_rcItem.top; }

RECT CControlUI::GetPadding() const
{
    return RECT{Scale(m_rcPadding.left), Scale(m_rcPadding.top), Scale(m_rcPadding.right), Scale(m_rcPadding.bottom)};
}

int CControlUI::GetFixedWidth() const { return Scale(m_cxFixed); }

void CControlUI::SetFixedWidth(int cx)
{
    m_cxFixed = std::max(0.0, Unscale(cx));
    NeedParentUpdate();
}

int CControlUI::GetFixedHeight() const { return Scale(m_cyFixed); }

void CControlUI::SetFixedHeight(int cy)
{
    m_cyFixed = std::max(0.0, Unscale(cy));
    NeedParentUpdate();
}

CDuiString CControlUI::GetUserData() const { return m_sUserData; }
bool CControlUI::IsVisible() const { return m_bVisible && m_bInternVisible; }

void CControlUI::SetVisible(bool bVisible)
{
    if (m_bVisible == bVisible) {
        return;
    }
    Invalidate();
    m_bVisible = bVisible;
    if (!IsVisible() && m_pManager != nullptr) {
        m_pManager->ReapObjects(this);
    }
    NeedParentUpdate();
}

void CControlUI::SetInternVisible(bool bVisible)
{
    if (m_bInternVisible != bVisible) {
        Invalidate();
    }
    m_bInternVisible = bVisible;
    if (!IsVisible() && m_pManager != nullptr) {
        m_pManager->ReapObjects(this);
    }
}

void CControlUI::SetEnabled(bool bEnable)
{
    if (m_bEnabled == bEnable) {
        return;
    }
    m_bEnabled = bEnable;
    Invalidate();
    if (!bEnable && m_pManager != nullptr && m_pManager->GetFocus() == this) {
        m_pManager->SetFocus(nullptr);
    }
}

void CControlUI::SetFocus()
{
    if (m_pManager != nullptr) {
        m_pManager->SetFocus(this);
    }
}

void CControlUI::SetFloat(bool bFloat)
{
    if (m_bFloat == bFloat) {
        return;
    }
    m_bFloat = bFloat;
    NeedParentUpdate();
}

void CControlUI::SetFixedXY(SIZE xy)
{
    m_xFloat = Unscale(xy.cx);
    m_yFloat = Unscale(xy.cy);
    NeedParentUpdate();
}

SIZE CControlUI::GetFixedXY() const
{
    return SIZE{Scale(m_xFloat), Scale(m_yFloat)};
}

void CControlUI::SetPadding(RECT rc)
{
    m_rcPadding = rc;
    NeedParentUpdate();
}

void CControlUI::Paint(HDC hDC, const RECT& rcPaint, CControlUI* pStopControl)
{
    if (!IsVisible() || !Intersects(rcPaint, m_rcItem)) {
        return;
    }
    DoPaint(hDC, rcPaint, pStopControl);
}

void CControlUI::DoPaint(HDC hDC, const RECT& rcPaint, CControlUI*)
{
    const RECT clip{std::max(rcPaint.left, m_rcItem.left), std::max(rcPaint.top, m_rcItem.top),
                    std::min(rcPaint.right, m_rcItem.right), std::min(rcPaint.bottom, m_rcItem.bottom)};
    CRenderEngine::PushClip(hDC, clip);
    PaintBkColor(hDC);
    PaintBkImage(hDC);
    PaintText(hDC);
    PaintBorder(hDC);
    CRenderEngine::PopClip(hDC);
}

void CControlUI::PaintBkColor(HDC hDC)
{
    CRenderEngine::DrawColor(hDC, m_rcItem, m_dwBackColor);
}

void CControlUI::PaintBkImage(HDC hDC)
{
    if (m_hBkBitmap != nullptr) {
        CRenderEngine::DrawImage(hDC, m_hBkBitmap, m_rcItem);
        return;
    }
    if (m_sBkImage.IsEmpty() || m_pManager == nullptr) {
        return;
    }
    if (const TImageInfo* image = m_pManager->GetImage(m_sBkImage)) {
        CRenderEngine::DrawImage(hDC, image->hBitmap, m_rcItem);
    }
}

bool CControlUI::IsPrinting() const
{
    return m_pManager != nullptr && m_pManager->IsPrinting();
}

DWORD CControlUI::PaintTextColor() const
{
    return m_bEnabled || IsPrinting() ? m_dwTextColor : m_dwDisabledTextColor;
}

CDuiString CControlUI::EmptyPrintText() const
{
    return CDuiString(IsPrinting() && m_ePrintEmpty == PrintEmpty::Dash ? L"\u2014" : L"");
}

void CControlUI::PaintText(HDC hDC)
{
    const CDuiString text = m_sText.IsEmpty() ? EmptyPrintText() : m_sText;
    if (text.IsEmpty() || m_pManager == nullptr) {
        return;
    }
    RECT rc = m_rcItem;
    rc.left += Scale(m_rcTextPadding.left);
    rc.top += Scale(m_rcTextPadding.top);
    rc.right -= Scale(m_rcTextPadding.right);
    rc.bottom -= Scale(m_rcTextPadding.bottom);
    CRenderEngine::DrawText(hDC, m_pManager, rc, text, PaintTextColor(), m_iFont, m_uTextStyle);
}

int CControlUI::HairlineWidth() const { return std::max(1, Scale(1)); }

void CControlUI::PaintBorder(HDC hDC)
{
    if (m_nBorderSize > 0) {
        CRenderEngine::DrawRect(hDC, m_rcItem, std::max(1, Scale(m_nBorderSize)), m_dwBorderColor);
    }
}

void CControlUI::PaintFieldFrame(HDC hDC)
{
    constexpr DWORD kFocusFrameColor = 0xFF3C78D8;
    constexpr DWORD kFieldFrameColor = 0xFFB0B0B0;
    if (m_bEnabled) {
        CRenderEngine::DrawRect(hDC, m_rcItem, HairlineWidth(), m_bFocused ? kFocusFrameColor : kFieldFrameColor);
    }
}

void CControlUI::SetAttribute(LPCTSTR name, LPCTSTR value)
{
    const std::wstring n = name;
    if (n == L"name") {
        m_sName = value;
    } else if (n == L"text") {
        SetText(value);
    } else if (n == L"userdata") {
        m_sUserData = value;
    } else if (n == L"width") {
        m_cxFixed = std::max(0, ParseInt(value));
    } else if (n == L"height") {
        m_cyFixed = std::max(0, ParseInt(value));
    } else if (n == L"pos") {
        const RECT rc = ParseRect(value);
        m_xFloat = rc.left;
        m_yFloat = rc.top;
        m_cxFixed = std::max<LONG>(0, rc.right - rc.left);
        m_cyFixed = std::max<LONG>(0, rc.bottom - rc.top);
    } else if (n == L"padding") {
        m_rcPadding = ParseRect(value);
    } else if (n == L"textpadding") {
        m_rcTextPadding = ParseRect(value);
    } else if (n == L"float") {
        m_bFloat = ParseBool(value);
    } else if (n == L"visible") {
        SetVisible(ParseBool(value));
    } else if (n == L"enabled") {
        SetEnabled(ParseBool(value));
    } else if (n == L"bkcolor") {
        m_dwBackColor = ParseColor(value);
    } else if (n == L"bordercolor") {
        m_dwBorderColor = ParseColor(value);
    } else if (n == L"bordersize") {
        m_nBorderSize = std::clamp(ParseInt(value), 0, 100);
    } else if (n == L"bkimage") {
        SetBkImage(value);
    } else if (n == L"textcolor") {
        m_dwTextColor = ParseColor(value);
    } else if (n == L"disabledtextcolor") {
        m_dwDisabledTextColor = ParseColor(value);
    } else if (n == L"font") {
        m_iFont = ParseInt(value);
    } else if (n == L"align") {
        m_uTextStyle = (m_uTextStyle & ~(DT_CENTER | DT_RIGHT)) | ParseAlign(value);
    } else if (n == L"valign") {
        m_uTextStyle = (m_uTextStyle & ~(DT_VCENTER | DT_BOTTOM)) | ParseVAlign(value);
    } else if (n == L"printempty") {
        const std::wstring v = value;
        m_ePrintEmpty = v == L"keep" ? PrintEmpty::Keep : v == L"dash" ? PrintEmpty::Dash : PrintEmpty::Omit;
    } else if (n == L"wordbreak" || n == L"multiline") {
        if (ParseBool(value)) {
            m_uTextStyle = (m_uTextStyle | DT_WORDBREAK) & ~DT_SINGLELINE;
        } else {
            m_uTextStyle = (m_uTextStyle & ~DT_WORDBREAK) | DT_SINGLELINE;
        }
    }
    // An attribute set on a shown page (a template edited in place) changes how it looks.
    Invalidate();
}

SIZE CControlUI::EstimateSize(SIZE)
{
    return SIZE{GetFixedWidth(), GetFixedHeight()};
}

void CControlUI::DoEvent(TEventUI& event)
{
    if (event.Type == UIEVENT_SETFOCUS) {
        m_bFocused = true;
        Invalidate();
    } else if (event.Type == UIEVENT_KILLFOCUS) {
        m_bFocused = false;
        Invalidate();
    } else if (event.Type == UIEVENT_SETCURSOR) {
        ::SetCursor(::LoadCursor(nullptr, IDC_ARROW));
    }
}

CControlUI* CControlUI::FindControlAt(POINT pt)
{
    if (!IsVisible() || pt.x < m_rcItem.left || pt.x >= m_rcItem.right || pt.y < m_rcItem.top ||
        pt.y >= m_rcItem.bottom) {
        return nullptr;
    }
    return this;
}

void CControlUI::SetManager(CPaintManagerUI* manager, CControlUI* parent)
{
    m_pManager = manager;
    m_pParent = parent;
}

void CControlUI::SetTextColor(DWORD color)
{
    m_dwTextColor = color;
    Invalidate();
}

void CControlUI::SetFont(int index)
{
    m_iFont = index;
    Invalidate();
}

void CControlUI::SetTextStyle(unsigned style)
{
    m_uTextStyle = style;
    Invalidate();
}

void CControlUI::SetBkColor(DWORD color)
{
    m_dwBackColor = color;
    Invalidate();
}

void CControlUI::SetBkImage(LPCTSTR image)
{
    DeleteObject(m_hBkBitmap);
    m_hBkBitmap = nullptr;
    m_sBkImage = image;
    Invalidate();
}

void CControlUI::SetBkImage(HBITMAP bitmap, int, int)
{
    if (bitmap == m_hBkBitmap) {
        return;
    }
    DeleteObject(m_hBkBitmap);
    m_hBkBitmap = bitmap;
    m_sBkImage.Empty();
    Invalidate();
}

void CControlUI::NeedUpdate()
{
    if (m_pManager != nullptr) {
        m_pManager->NeedUpdate();
    }
}

void CControlUI::NeedParentUpdate()
{
    NeedUpdate();
}

void CControlUI::Invalidate()
{
    if (m_pManager != nullptr) {
        m_pManager->Invalidate(m_rcItem);
    }
}

int CControlUI::Scale(double design) const
{
    return m_pManager != nullptr ? m_pManager->Scale(design) : RoundCoordinate(design);
}

double CControlUI::Unscale(int scaled) const
{
    const double zoom = m_pManager != nullptr ? m_pManager->GetZoomRatio() : 1.0;
    return scaled / zoom;
}

} // namespace DuiLib

#include "platform/duilib/CContainerUI.h"

#include "platform/duilib/CPaintManagerUI.h"
#include "platform/duilib/CRenderEngine.h"

#include <algorithm>
#include <string>

namespace DuiLib {

CContainerUI::~CContainerUI()
{
    for (CControlUI* item : m_items) {
        delete item;
    }
}

LPCTSTR CContainerUI::GetClass() const { return L"Container"; }

CControlUI* CContainerUI::GetItemAt(int index) const
{
    return index >= 0 && index < static_cast<int>(m_items.size()) ? m_items[static_cast<size_t>(index)] : nullptr;
}

int CContainerUI::GetItemIndex(CControlUI* control) const
{
    auto it = std::find(m_items.begin(), m_items.end(), control);
    return it == m_items.end() ? -1 : static_cast<int>(it - m_items.begin());
}

int CContainerUI::GetCount() const { return static_cast<int>(m_items.size()); }

bool CContainerUI::Add(CControlUI* control)
{
    return AddAt(control, GetCount());
}

bool CContainerUI::AddAt(CControlUI* control, int index)
{
    if (control == nullptr) {
        return false;
    }
    if (index < 0 || index > GetCount() || control == this) {
        delete control;
        return false;
    }
    m_items.insert(m_items.begin() + index, control);
    control->SetManager(m_pManager, this);
    control->SetInternVisible(IsVisible());
    NeedUpdate();
    return true;
}

bool CContainerUI::Remove(CControlUI* control)
{
    return RemoveAt(GetItemIndex(control));
}

bool CContainerUI::RemoveAt(int index)
{
    CControlUI* control = GetItemAt(index);
    if (control == nullptr) {
        return false;
    }
    m_items.erase(m_items.begin() + index);
    delete control;
    NeedUpdate();
    return true;
}

CControlUI* CContainerUI::DetachAt(int index)
{
    CControlUI* control = GetItemAt(index);
    if (control == nullptr) {
        return nullptr;
    }
    m_items.erase(m_items.begin() + index);
    if (m_pManager != nullptr) {
        m_pManager->ReapObjects(control);
    }
    NeedUpdate();
    return control;
}

void CContainerUI::RemoveAll()
{
    std::vector<CControlUI*> items;
    items.swap(m_items);
    for (CControlUI* item : items) {
        delete item;
    }
    NeedUpdate();
}

RECT CContainerUI::GetInset() const
{
    return RECT{Scale(m_rcInset.left), Scale(m_rcInset.top), Scale(m_rcInset.right), Scale(m_rcInset.bottom)};
}

int CContainerUI::GetChildPadding() const { return Scale(m_iChildPadding); }

RECT CContainerUI::InnerRect(const RECT& rc) const
{
    const RECT inset = GetInset();
    const int border = m_nBorderSize > 0 ? std::max(1, Scale(m_nBorderSize)) : 0;
    return RECT{rc.left + inset.left + border - m_nScrollX, rc.top + inset.top + border - m_nScrollY,
                rc.right - inset.right - border - m_nScrollX, rc.bottom - inset.bottom - border - m_nScrollY};
}

void CContainerUI::MeasureContent()
{
    const RECT inset = GetInset();
    long long right = 0;
    long long bottom = 0;
    for (CControlUI* item : m_items) {
        if (item->IsVisible()) {
            const RECT pos = item->GetPos();
            const RECT pad = item->GetPadding();
            right = std::max<long long>(right, static_cast<long long>(pos.right) + pad.right + m_nScrollX - m_rcItem.left);
            bottom = std::max<long long>(bottom, static_cast<long long>(pos.bottom) + pad.bottom + m_nScrollY - m_rcItem.top);
        }
    }
    // A bar lies over the content's edge along the other side: the content reaches past it, so
    // that all of it can be scrolled into view.
    const long long width = right + inset.right;
    const long long height = bottom + inset.bottom;
    const int bar = ScrollBarWidth();
    const long long viewWidth = m_rcItem.right - m_rcItem.left;
    const long long viewHeight = m_rcItem.bottom - m_rcItem.top;
    bool vertical = m_bVScrollBar && height > viewHeight;
    const bool horizontal = m_bHScrollBar && width + (vertical ? bar : 0) > viewWidth;
    vertical = vertical || (m_bVScrollBar && horizontal && height + bar > viewHeight);
    m_szContent = SIZE{ClampCoordinate(width + (vertical ? bar : 0)), ClampCoordinate(height + (horizontal ? bar : 0))};
    // Content that shrank (a smaller zoom) leaves no view beyond its end.
    const SIZE range = GetScrollRange();
    if (m_nScrollX > range.cx || m_nScrollY > range.cy) {
        m_nScrollX = std::min<int>(m_nScrollX, range.cx);
        m_nScrollY = std::min<int>(m_nScrollY, range.cy);
        NeedUpdate();
    }
}

SIZE CContainerUI::GetScrollRange() const
{
    return SIZE{std::max<LONG>(0, m_szContent.cx - (m_rcItem.right - m_rcItem.left)),
                std::max<LONG>(0, m_szContent.cy - (m_rcItem.bottom - m_rcItem.top))};
}

void CContainerUI::SetScrollPos(SIZE pos)
{
    const SIZE range = GetScrollRange();
    const int x = std::clamp<int>(pos.cx, 0, range.cx);
    const int y = std::clamp<int>(pos.cy, 0, range.cy);
    if (x != m_nScrollX || y != m_nScrollY) {
        m_nScrollX = x;
        m_nScrollY = y;
        NeedUpdate();
    }
}

bool CContainerUI::ScrollBy(int dx, int dy)
{
    const SIZE before = GetScrollPos();
    SetScrollPos(SIZE{ClampCoordinate(static_cast<long long>(before.cx) + dx), ClampCoordinate(static_cast<long long>(before.cy) + dy)});
    return GetScrollPos().cx != before.cx || GetScrollPos().cy != before.cy;
}

int CContainerUI::ScrollBarWidth() const
{
    constexpr int kBarWidth = 12;
    return kBarWidth;
}

CScrollBar CContainerUI::ScrollBar(bool vertical) const
{
    const SIZE range = GetScrollRange();
    const int bar = ScrollBarWidth();
    const bool shown = vertical ? m_bVScrollBar && range.cy > 0 : m_bHScrollBar && range.cx > 0;
    const bool other = vertical ? m_bHScrollBar && range.cx > 0 : m_bVScrollBar && range.cy > 0;
    RECT track{};
    if (shown && vertical) {
        track = RECT{m_rcItem.right - bar, m_rcItem.top, m_rcItem.right, m_rcItem.bottom - (other ? bar : 0)};
    } else if (shown) {
        track = RECT{m_rcItem.left, m_rcItem.bottom - bar, m_rcItem.right - (other ? bar : 0), m_rcItem.bottom};
    }
    const int view = vertical ? m_rcItem.bottom - m_rcItem.top : m_rcItem.right - m_rcItem.left;
    return CScrollBar(track, vertical, view, vertical ? m_szContent.cy : m_szContent.cx, vertical ? m_nScrollY : m_nScrollX,
                      2 * bar);
}

bool CContainerUI::IsOnScrollBar(POINT pt) const
{
    return ScrollBar(true).Contains(pt) || ScrollBar(false).Contains(pt);
}

void CContainerUI::PaintScrollBars(HDC hDC)
{
    ScrollBar(true).Paint(hDC);
    ScrollBar(false).Paint(hDC);
}

void CContainerUI::DoEvent(TEventUI& event)
{
    const POINT pt = event.ptMouse;
    if (event.Type == UIEVENT_BUTTONDOWN || event.Type == UIEVENT_DBLCLICK) {
        m_nBarDrag = ScrollBar(true).Contains(pt) ? 1 : ScrollBar(false).Contains(pt) ? 2 : 0;
    } else if (event.Type == UIEVENT_BUTTONUP) {
        m_nBarDrag = 0;
        return;
    } else if (event.Type != UIEVENT_MOUSEMOVE || (event.wKeyState & MK_LBUTTON) == 0) {
        CControlUI::DoEvent(event);
        return;
    }
    if (m_nBarDrag == 1) {
        SetScrollPos(SIZE{m_nScrollX, ScrollBar(true).PositionAt(pt)});
    } else if (m_nBarDrag == 2) {
        SetScrollPos(SIZE{ScrollBar(false).PositionAt(pt), m_nScrollY});
    }
}

void CContainerUI::SetFloatPos(CControlUI* child, const RECT& rc)
{
    const SIZE xy = child->GetFixedXY();
    const SIZE size = child->EstimateSize(SIZE{rc.right - rc.left, rc.bottom - rc.top});
    const int left = rc.left + xy.cx;
    const int top = rc.top + xy.cy;
    child->SetPos(RECT{left, top, left + size.cx, top + size.cy}, false);
}

void CContainerUI::SetPos(RECT rc, bool bNeedInvalidate)
{
    CControlUI::SetPos(rc, bNeedInvalidate);
    const RECT inner = InnerRect(m_rcItem);
    for (CControlUI* item : m_items) {
        if (!item->IsVisible()) {
            continue;
        }
        if (item->IsFloat()) {
            SetFloatPos(item, m_rcItem);
            continue;
        }
        const RECT pad = item->GetPadding();
        item->SetPos(RECT{inner.left + pad.left, inner.top + pad.top, inner.right - pad.right, inner.bottom - pad.bottom},
                     false);
    }
    MeasureContent();
}

void CContainerUI::DoPaint(HDC hDC, const RECT& rcPaint, CControlUI* pStopControl)
{
    const RECT clip{std::max(rcPaint.left, m_rcItem.left), std::max(rcPaint.top, m_rcItem.top),
                    std::min(rcPaint.right, m_rcItem.right), std::min(rcPaint.bottom, m_rcItem.bottom)};
    if (clip.left >= clip.right || clip.top >= clip.bottom) {
        return;
    }
    CRenderEngine::PushClip(hDC, clip);
    PaintBkColor(hDC);
    PaintBkImage(hDC);
    PaintText(hDC);
    for (CControlUI* item : m_items) {
        if (item == pStopControl) {
            break;
        }
        item->Paint(hDC, clip, pStopControl);
    }
    PaintBorder(hDC);
    PaintScrollBars(hDC);
    CRenderEngine::PopClip(hDC);
}

void CContainerUI::SetAttribute(LPCTSTR name, LPCTSTR value)
{
    const std::wstring n = name;
    if (n == L"inset") {
        m_rcInset = ParseRect(value);
    } else if (n == L"childpadding") {
        m_iChildPadding = std::max(0, ParseInt(value));
    } else if (n == L"vscrollbar") {
        m_bVScrollBar = ParseBool(value);
    } else if (n == L"hscrollbar") {
        m_bHScrollBar = ParseBool(value);
    } else {
        CControlUI::SetAttribute(name, value);
    }
}

CControlUI* CContainerUI::FindControlAt(POINT pt)
{
    if (CControlUI::FindControlAt(pt) == nullptr) {
        return nullptr;
    }
    // The scroll bars lie above the children.
    if (IsOnScrollBar(pt)) {
        return this;
    }
    // Later children are painted above earlier ones.
    for (auto it = m_items.rbegin(); it != m_items.rend(); ++it) {
        if (CControlUI* found = (*it)->FindControlAt(pt)) {
            return found;
        }
    }
    return this;
}

void CContainerUI::SetManager(CPaintManagerUI* manager, CControlUI* parent)
{
    CControlUI::SetManager(manager, parent);
    for (CControlUI* item : m_items) {
        item->SetManager(manager, this);
    }
}

void CContainerUI::SetInternVisible(bool bVisible)
{
    CControlUI::SetInternVisible(bVisible);
    for (CControlUI* item : m_items) {
        item->SetInternVisible(IsVisible());
    }
}

void CContainerUI::SetVisible(bool bVisible)
{
    CControlUI::SetVisible(bVisible);
    for (CControlUI* item : m_items) {
        item->SetInternVisible(IsVisible());
    }
}

} // namespace DuiLib

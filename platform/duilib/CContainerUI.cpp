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
    return RECT{rc.left + inset.left + border, rc.top + inset.top + border - m_nScrollY, rc.right - inset.right - border,
                rc.bottom - inset.bottom - border - m_nScrollY};
}

void CContainerUI::SetScrollY(int y)
{
    y = std::max(0, y);
    if (y != m_nScrollY) {
        m_nScrollY = y;
        NeedUpdate();
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
    CRenderEngine::PopClip(hDC);
}

void CContainerUI::SetAttribute(LPCTSTR name, LPCTSTR value)
{
    const std::wstring n = name;
    if (n == L"inset") {
        m_rcInset = ParseRect(value);
    } else if (n == L"childpadding") {
        m_iChildPadding = std::max(0, ParseInt(value));
    } else {
        CControlUI::SetAttribute(name, value);
    }
}

CControlUI* CContainerUI::FindControlAt(POINT pt)
{
    if (CControlUI::FindControlAt(pt) == nullptr) {
        return nullptr;
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

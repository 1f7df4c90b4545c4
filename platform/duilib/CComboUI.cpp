#include "platform/duilib/CComboUI.h"

#include "platform/duilib/CPaintManagerUI.h"
#include "platform/duilib/CRenderEngine.h"

#include <algorithm>
#include <string>

namespace DuiLib {

namespace {

constexpr DWORD kFieldBorderColor = 0xFFB0B0B0;
constexpr DWORD kChosenColor = 0xFFDCE8FA;

} // namespace

LPCTSTR CListLabelElementUI::GetClass() const { return L"ListLabelElement"; }

LPCTSTR CComboUI::GetClass() const { return L"Combo"; }

CDuiString CComboUI::GetText() const
{
    CControlUI* item = GetItemAt(m_iCurSel);
    return item != nullptr ? item->GetText() : CDuiString();
}

bool CComboUI::HasText(const wchar_t* text) const
{
    return GetText().Str().compare(text != nullptr ? text : L"") == 0;
}

bool CComboUI::SelectItem(int index, bool bTakeFocus, bool bTriggerEvent)
{
    if (index < 0 || index >= GetCount()) {
        m_iCurSel = -1;
        return false;
    }
    if (bTakeFocus) {
        SetFocus();
    }
    const int previous = m_iCurSel;
    if (index == previous) {
        return true;
    }
    m_iCurSel = index;
    if (bTriggerEvent && m_pManager != nullptr) {
        m_pManager->SendNotify(this, DUI_MSGTYPE_ITEMSELECT, static_cast<WPARAM>(index), previous);
    }
    return true;
}

bool CComboUI::RemoveAt(int index)
{
    if (!CContainerUI::RemoveAt(index)) {
        return false;
    }
    if (index == m_iCurSel) {
        m_iCurSel = -1;
    } else if (index < m_iCurSel) {
        --m_iCurSel;
    }
    return true;
}

void CComboUI::RemoveAll()
{
    CContainerUI::RemoveAll();
    m_iCurSel = -1;
}

void CComboUI::DoEvent(TEventUI& event)
{
    if (!IsEnabled() || m_pManager == nullptr) {
        CControlUI::DoEvent(event);
        return;
    }
    switch (event.Type) {
    case UIEVENT_BUTTONDOWN:
        m_pManager->SetOpenDropDown(this);
        return;
    case UIEVENT_KEYDOWN:
        if (event.wParam == VK_DOWN || (event.wParam == VK_UP && m_iCurSel > 0)) {
            SelectItem(event.wParam == VK_DOWN ? std::min(m_iCurSel + 1, GetCount() - 1) : m_iCurSel - 1);
            if (m_pManager->GetOpenDropDown() == this) {
                m_pManager->Invalidate(GetDropDownRect());
            }
        } else if (event.wParam == VK_ESCAPE || event.wParam == VK_RETURN) {
            m_pManager->CloseDropDownOf(this);
        }
        return;
    case UIEVENT_KILLFOCUS:
        m_pManager->CloseDropDownOf(this);
        break;
    default:
        break;
    }
    CControlUI::DoEvent(event);
}

void CComboUI::SetPos(RECT rc, bool bNeedInvalidate)
{
    // The items live in the drop-down list, not on the page.
    CControlUI::SetPos(rc, bNeedInvalidate);
}

CControlUI* CComboUI::FindControlAt(POINT pt)
{
    return CControlUI::FindControlAt(pt);
}

void CComboUI::DoPaint(HDC hDC, const RECT& rcPaint, CControlUI*)
{
    const RECT clip{std::max(rcPaint.left, m_rcItem.left), std::max(rcPaint.top, m_rcItem.top),
                    std::min(rcPaint.right, m_rcItem.right), std::min(rcPaint.bottom, m_rcItem.bottom)};
    CRenderEngine::PushClip(hDC, clip);
    // Paper shows the chosen item's text alone, where the screen shows it.
    const bool paper = IsPrinting();
    if (!paper) {
        CRenderEngine::DrawColor(hDC, m_rcItem, m_dwBackColor != 0 ? m_dwBackColor : 0xFFFFFFFF);
    }
    RECT text = m_rcItem;
    text.left += Scale(4);
    text.right = paper ? m_rcItem.right : DropButtonRect(m_rcItem).left;
    const CDuiString chosen = GetText();
    if (m_pManager != nullptr) {
        CRenderEngine::DrawText(hDC, m_pManager, text, chosen.IsEmpty() ? EmptyPrintText() : chosen, PaintTextColor(),
                                m_iFont, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    }
    if (paper) {
        CRenderEngine::PopClip(hDC);
        return;
    }
    // A combo that cannot open its list shows no button for it, as a date field does.
    if (IsEnabled()) {
        PaintDropButton(hDC, m_rcItem, HairlineWidth(), PaintTextColor());
    }
    if (m_nBorderSize > 0) {
        PaintBorder(hDC);
    } else {
        PaintFieldFrame(hDC);
    }
    CRenderEngine::PopClip(hDC);
}

RECT CComboUI::GetDropItemRect(int index) const
{
    const int height = std::max(1, GetHeight());
    const int top = m_rcItem.bottom + index * height;
    return RECT{m_rcItem.left, top, m_rcItem.right, top + height};
}

RECT CComboUI::GetDropDownRect() const
{
    const RECT last = GetDropItemRect(std::max(0, GetCount() - 1));
    return RECT{m_rcItem.left, m_rcItem.bottom, m_rcItem.right, GetCount() > 0 ? last.bottom : m_rcItem.bottom};
}

bool CComboUI::PressDropDown(POINT pt)
{
    for (int i = 0; i < GetCount(); ++i) {
        const RECT rc = GetDropItemRect(i);
        if (PtInRect(&rc, pt)) {
            SelectItem(i, true, true);
            return true;
        }
    }
    return true;
}

void CComboUI::PaintDropDown(HDC hDC)
{
    if (m_pManager == nullptr) {
        return;
    }
    for (int i = 0; i < GetCount(); ++i) {
        const RECT rc = GetDropItemRect(i);
        CRenderEngine::DrawColor(hDC, rc, i == m_iCurSel ? kChosenColor : 0xFFFFFFFF);
        RECT text = rc;
        text.left += Scale(4);
        CRenderEngine::DrawText(hDC, m_pManager, text, GetItemAt(i)->GetText(), m_dwTextColor, m_iFont,
                                DT_LEFT | DT_VCENTER | DT_SINGLELINE);
        CRenderEngine::DrawRect(hDC, rc, HairlineWidth(), kFieldBorderColor);
    }
}

CEditComboUI::CEditComboUI() : m_edit(1024) {}

LPCTSTR CEditComboUI::GetClass() const { return L"EditCombo"; }

CDuiString CEditComboUI::GetText() const { return m_sText; }

void CEditComboUI::SetText(LPCTSTR text)
{
    CControlUI::SetText(text);
    m_edit.Reset(m_sText.Str());
}

bool CEditComboUI::SelectItem(int index, bool bTakeFocus, bool bTriggerEvent)
{
    const int previous = m_iCurSel;
    const bool chosen = CComboUI::SelectItem(index, bTakeFocus, false);
    if (chosen) {
        SetText(GetItemAt(index)->GetText());
    }
    if (chosen && index != previous && bTriggerEvent && m_pManager != nullptr) {
        m_pManager->SendNotify(this, DUI_MSGTYPE_ITEMSELECT, static_cast<WPARAM>(index));
    }
    return chosen;
}

void CEditComboUI::DoEvent(TEventUI& event)
{
    if ((event.Type == UIEVENT_CHAR || (event.Type == UIEVENT_KEYDOWN && event.wParam != VK_UP &&
                                        event.wParam != VK_DOWN)) &&
        IsEnabled() && m_pManager != nullptr) {
        std::wstring text = m_sText.Str();
        const bool changed =
            m_edit.Apply(event, text, *m_pManager->GetClipboard(), ::platform::GetWindowTime(m_pManager->GetPaintWindow()));
        Invalidate();
        if (changed) {
            m_sText = text;
            m_pManager->SendNotify(this, DUI_MSGTYPE_TEXTCHANGED);
        }
        return;
    }
    CComboUI::DoEvent(event);
}

} // namespace DuiLib

#include "platform/duilib/UILabel.h"

#include "platform/duilib/CPaintManagerUI.h"

namespace DuiLib {

LPCTSTR CLabelUI::GetClass() const { return L"Label"; }

CTextUI::CTextUI()
{
    m_uTextStyle = DT_LEFT | DT_TOP | DT_WORDBREAK;
}

LPCTSTR CTextUI::GetClass() const { return L"Text"; }

CButtonUI::CButtonUI()
{
    m_uTextStyle = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
}

LPCTSTR CButtonUI::GetClass() const { return L"Button"; }

void CButtonUI::DoEvent(TEventUI& event)
{
    if (event.Type == UIEVENT_BUTTONUP && IsEnabled() && m_pManager != nullptr && FindControlAt(event.ptMouse) == this) {
        m_pManager->SendNotify(this, DUI_MSGTYPE_CLICK);
        return;
    }
    if (event.Type == UIEVENT_KEYDOWN && event.wParam == VK_RETURN && IsEnabled() && m_pManager != nullptr) {
        m_pManager->SendNotify(this, DUI_MSGTYPE_CLICK);
        return;
    }
    CLabelUI::DoEvent(event);
}

} // namespace DuiLib

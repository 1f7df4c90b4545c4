#include "platform/duilib/CEditUI.h"

#include "platform/duilib/CPaintManagerUI.h"
#include "platform/duilib/CRenderEngine.h"

#include <algorithm>
#include <string>

namespace DuiLib {

namespace {

constexpr size_t kEditMaxChars = 1024;
constexpr size_t kRichEditMaxChars = 65536;
constexpr DWORD kFocusBorderColor = 0xFF3C78D8;
constexpr DWORD kFieldBorderColor = 0xFFB0B0B0;

} // namespace

CEditUI::CEditUI() : CEditUI(false, kEditMaxChars) {}

CEditUI::CEditUI(bool multiline, size_t maxChars) : m_edit(multiline, maxChars)
{
    m_dwBackColor = 0xFFFFFFFF;
    m_rcTextPadding = RECT{4, 2, 4, 2};
}

LPCTSTR CEditUI::GetClass() const { return L"Edit"; }

void CEditUI::SetText(LPCTSTR text)
{
    CControlUI::SetText(text);
    m_edit.MoveToEnd(m_sText.Str());
}

void CEditUI::SetAttribute(LPCTSTR name, LPCTSTR value)
{
    if (std::wstring(name) == L"readonly") {
        m_bReadOnly = ParseBool(value);
    } else {
        CControlUI::SetAttribute(name, value);
    }
}

void CEditUI::DoEvent(TEventUI& event)
{
    if (event.Type == UIEVENT_SETFOCUS) {
        m_edit.MoveToEnd(m_sText.Str());
    }
    if ((event.Type == UIEVENT_CHAR || event.Type == UIEVENT_KEYDOWN) && IsEnabled() && m_pManager != nullptr) {
        if (event.Type == UIEVENT_CHAR && event.chKey == L'\r' && !m_edit.IsMultiline()) {
            m_pManager->SendNotify(this, DUI_MSGTYPE_RETURN);
            return;
        }
        std::wstring text = m_sText.Str();
        if (!m_bReadOnly && m_edit.Apply(event, text)) {
            m_sText = text;
            m_pManager->SendNotify(this, DUI_MSGTYPE_TEXTCHANGED);
        } else if (m_bReadOnly && event.Type == UIEVENT_KEYDOWN) {
            // Moving the caret is allowed in a read-only field; editing is not.
            std::wstring copy = text;
            m_edit.Apply(event, copy);
        }
        return;
    }
    CControlUI::DoEvent(event);
}

void CEditUI::PaintText(HDC hDC)
{
    CControlUI::PaintText(hDC);
    if (!m_bFocused || m_pManager == nullptr) {
        return;
    }
    const int font = m_iFont;
    const int x = m_rcItem.left + Scale(m_rcTextPadding.left) +
                  CRenderEngine::MeasureTextTo(m_pManager, m_sText, font, static_cast<int>(m_edit.Caret()));
    const int inset = std::max(2, Scale(4));
    CRenderEngine::DrawLine(hDC, x, m_rcItem.top + inset, x, m_rcItem.bottom - inset, 1, m_dwTextColor);
}

void CEditUI::PaintBorder(HDC hDC)
{
    if (m_nBorderSize > 0) {
        CControlUI::PaintBorder(hDC);
        return;
    }
    // A field without its own border still shows where it is, and whether it has the focus.
    CRenderEngine::DrawRect(hDC, m_rcItem, 1, m_bFocused ? kFocusBorderColor : kFieldBorderColor);
}

CRichEditUI::CRichEditUI() : CEditUI(true, kRichEditMaxChars)
{
    m_uTextStyle = DT_LEFT | DT_TOP | DT_WORDBREAK;
}

LPCTSTR CRichEditUI::GetClass() const { return L"RichEdit"; }

void CRichEditUI::SetText(LPCTSTR text)
{
    CEditUI::SetText(text);
    if (m_pManager != nullptr) {
        m_pManager->SendNotify(this, DUI_MSGTYPE_TEXTCHANGED);
    }
}

void CRichEditUI::PaintText(HDC hDC)
{
    CControlUI::PaintText(hDC);
}

} // namespace DuiLib

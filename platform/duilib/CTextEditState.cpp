#include "platform/duilib/CTextEditState.h"

#include <cwctype>

namespace DuiLib {

bool CTextEditState::Insert(std::wstring& text, wchar_t c)
{
    if (text.size() >= m_nMaxChars) {
        return false;
    }
    if (m_accept == Accept::Date && !std::iswdigit(static_cast<wint_t>(c)) && c != L'-' && c != L'/' && c != L'.') {
        return false;
    }
    m_nCaret = m_nCaret > text.size() ? text.size() : m_nCaret;
    text.insert(m_nCaret, 1, c);
    ++m_nCaret;
    return true;
}

bool CTextEditState::Apply(const TEventUI& event, std::wstring& text)
{
    Clamp(text);
    if (event.Type == UIEVENT_CHAR) {
        const wchar_t c = event.chKey;
        if (c == L'\b') {
            if (m_nCaret == 0) {
                return false;
            }
            text.erase(--m_nCaret, 1);
            return true;
        }
        if (c == L'\r' || c == L'\n') {
            return m_bMultiline && Insert(text, L'\n');
        }
        if (c < 0x20 || c == 0x7F) {
            return false;
        }
        return Insert(text, c);
    }
    if (event.Type != UIEVENT_KEYDOWN) {
        return false;
    }
    switch (event.wParam) {
    case VK_LEFT:
        m_nCaret = m_nCaret > 0 ? m_nCaret - 1 : 0;
        return false;
    case VK_RIGHT:
        m_nCaret = m_nCaret < text.size() ? m_nCaret + 1 : text.size();
        return false;
    case VK_HOME:
        m_nCaret = 0;
        return false;
    case VK_END:
        m_nCaret = text.size();
        return false;
    case VK_DELETE:
        if (m_nCaret >= text.size()) {
            return false;
        }
        text.erase(m_nCaret, 1);
        return true;
    default:
        return false;
    }
}

void CTextEditState::Clamp(const std::wstring& text)
{
    if (m_nCaret > text.size()) {
        m_nCaret = text.size();
    }
}

} // namespace DuiLib

#include "platform/duilib/CTextSearch.h"

#include <glib.h>

#include <algorithm>

namespace DuiLib {

namespace {

wchar_t Folded(wchar_t c)
{
    return static_cast<wchar_t>(g_unichar_tolower(static_cast<gunichar>(c)));
}

} // namespace

bool CTextSearch::IsWordChar(wchar_t c)
{
    if (c == L'_') {
        return true;
    }
    switch (g_unichar_type(static_cast<gunichar>(c))) {
    case G_UNICODE_LOWERCASE_LETTER:
    case G_UNICODE_UPPERCASE_LETTER:
    case G_UNICODE_TITLECASE_LETTER:
    case G_UNICODE_MODIFIER_LETTER:
    case G_UNICODE_OTHER_LETTER:
    case G_UNICODE_DECIMAL_NUMBER:
    case G_UNICODE_LETTER_NUMBER:
    case G_UNICODE_OTHER_NUMBER:
    case G_UNICODE_SPACING_MARK:
    case G_UNICODE_ENCLOSING_MARK:
    case G_UNICODE_NON_SPACING_MARK:
        return true;
    default:
        return false;
    }
}

bool CTextSearch::IsMatch(const std::wstring& text, size_t start, size_t end) const
{
    if (m_sWhat.empty() || end < start || end - start != m_sWhat.size() || end > text.size()) {
        return false;
    }
    for (size_t i = 0; i < m_sWhat.size(); ++i) {
        const wchar_t c = text[start + i];
        if (c != m_sWhat[i] && (m_bMatchCase || Folded(c) != Folded(m_sWhat[i]))) {
            return false;
        }
    }
    if (!m_bWholeWord) {
        return true;
    }
    // A word starts and ends at the match: no word character joins it on either side.
    return (start == 0 || !IsWordChar(text[start - 1]) || !IsWordChar(text[start])) &&
           (end == text.size() || !IsWordChar(text[end]) || !IsWordChar(text[end - 1]));
}

size_t CTextSearch::FindIn(const std::wstring& text, size_t from, size_t to) const
{
    if (m_sWhat.size() > text.size()) {
        return std::wstring::npos;
    }
    const size_t last = std::min(to, text.size() - m_sWhat.size() + 1);
    const wchar_t first = m_bMatchCase ? m_sWhat.front() : Folded(m_sWhat.front());
    for (size_t at = from; at < last; ++at) {
        const wchar_t c = m_bMatchCase ? text[at] : Folded(text[at]);
        if (c == first && IsMatch(text, at, at + m_sWhat.size())) {
            return at;
        }
    }
    return std::wstring::npos;
}

bool CTextSearch::FindFrom(const std::wstring& text, size_t from, size_t& start) const
{
    if (m_sWhat.empty()) {
        return false;
    }
    from = std::min(from, text.size());
    size_t found = FindIn(text, from, text.size());
    if (found == std::wstring::npos) {
        found = FindIn(text, 0, from);
    }
    if (found == std::wstring::npos) {
        return false;
    }
    start = found;
    return true;
}

} // namespace DuiLib

#pragma once

#include "platform/Export.h"

#include <cstddef>
#include <string>
#include <utility>

namespace DuiLib {

// Finding a text in a text, as a text field's find and replace does: with or without regard to
// case (Unicode simple case folding, so that "É" finds "é"), whole words only or anywhere, from a
// place onwards and then, wrapping, from the start. Positions are offsets in wide characters.
class SRCTRL_API CTextSearch {
public:
    CTextSearch(std::wstring what, bool matchCase, bool wholeWord)
        : m_sWhat(std::move(what)), m_bMatchCase(matchCase), m_bWholeWord(wholeWord)
    {
    }

    // The first match at or after `from`, else the first before it (the search wraps); false
    // when the text holds none or the searched text is empty. A match is [start, start + Length()).
    bool FindFrom(const std::wstring& text, size_t from, size_t& start) const;
    // Whether [start, end) of the text is a match, as a selection to be replaced must be.
    bool IsMatch(const std::wstring& text, size_t start, size_t end) const;
    size_t Length() const { return m_sWhat.size(); }

    // Letters, digits, marks and ideographs make words; spaces and punctuation part them.
    static bool IsWordChar(wchar_t c);

private:
    // The first match in [from, to) of the text (a match may end beyond `to`), or npos.
    size_t FindIn(const std::wstring& text, size_t from, size_t to) const;

    std::wstring m_sWhat;
    bool m_bMatchCase;
    bool m_bWholeWord;
};

} // namespace DuiLib

#pragma once

#include "platform/duilib/UIDefine.h"

#include <string>

namespace DuiLib {

// The text and caret of a control that a person types into, and what keys do to them.
class CTextEditState {
public:
    // Which characters a control accepts as typed text.
    enum class Accept { Any, Date };

    CTextEditState(bool multiline, size_t maxChars, Accept accept = Accept::Any)
        : m_bMultiline(multiline), m_nMaxChars(maxChars), m_accept(accept)
    {
    }

    // Applies a typed character or an editing key to `text`; true when the text changed.
    bool Apply(const TEventUI& event, std::wstring& text);
    // Keeps the caret inside a text that was replaced from outside.
    void Clamp(const std::wstring& text);
    void MoveToEnd(const std::wstring& text) { m_nCaret = text.size(); }
    size_t Caret() const { return m_nCaret; }
    bool IsMultiline() const { return m_bMultiline; }

private:
    bool Insert(std::wstring& text, wchar_t c);

    bool m_bMultiline;
    size_t m_nMaxChars;
    Accept m_accept;
    size_t m_nCaret = 0;
};

} // namespace DuiLib

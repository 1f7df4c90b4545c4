#pragma once

#include "platform/duilib/CTextLayout.h"
#include "platform/duilib/CUndoHistory.h"
#include "platform/duilib/ITextEditUI.h"
#include "platform/duilib/UIDefine.h"

#include <cstdint>
#include <string>

namespace DuiLib {

class CPaintManagerUI;

// The caret, selection and undo history of a one-line text inside a control that a person
// types into (a date field, an editable combo), what keys and edit commands do to the text, and
// how it is drawn while it has the focus. The control keeps the text; the calls that change it
// take it by reference and say whether they did. Positions are offsets in wide characters.
class CTextEditState {
public:
    // Which characters a control accepts as typed text.
    enum class Accept { Any, Date };

    CTextEditState(size_t maxChars, Accept accept = Accept::Any) : m_nMaxChars(maxChars), m_accept(accept) {}

    // Applies a typed character or an editing key to `text`: Left, Right, Home and End (Shift
    // extends the selection), Backspace and Delete, Ctrl+A, Ctrl+C, Ctrl+X and Ctrl+V, Ctrl+Z and
    // Ctrl+Y or Ctrl+Shift+Z. Typed text replaces the selection. True when the text changed.
    bool Apply(const TEventUI& event, std::wstring& text, IClipboardUI& clipboard, std::uint64_t nowMs);
    bool CanEdit(EditCommand command, const std::wstring& text, IClipboardUI& clipboard) const;
    // True when the command ran; `changed` tells whether the text changed.
    bool Edit(EditCommand command, std::wstring& text, IClipboardUI& clipboard, std::uint64_t nowMs, bool& changed);
    // Puts `with` in place of the selection as one step of the history; false, with nothing
    // changed, when the control does not take one of its characters or the text would grow too
    // long.
    bool Insert(const std::wstring& with, TextChange kind, std::wstring& text, std::uint64_t nowMs);
    // A text that the program set: the caret goes to its end, nothing is selected, and the
    // history, which no longer fits, is cleared.
    void Reset(const std::wstring& text);
    void SelectAll(const std::wstring& text);
    // The caret to the character nearest a point of the box that Paint draws into.
    void MoveTo(const std::wstring& text, CPaintManagerUI& manager, const RECT& box, int font, POINT pt);
    void GetSel(size_t& start, size_t& end) const;

    // Draws the text left-aligned and centred in the box, with the selection behind it and the
    // caret.
    void Paint(HDC hDC, CPaintManagerUI& manager, const RECT& box, const std::wstring& text, int font, DWORD color);

private:
    bool Accepts(wchar_t c) const;
    bool Replace(std::wstring& text, size_t start, size_t end, const std::wstring& with, TextChange kind,
                 std::uint64_t nowMs);
    void Clamp(const std::wstring& text);
    bool UndoRedo(bool redo, std::wstring& text);
    void Layout(CPaintManagerUI& manager, const std::wstring& text, int font);

    size_t m_nMaxChars;
    Accept m_accept;
    size_t m_nCaret = 0;
    size_t m_nAnchor = 0;
    CUndoHistory m_history;
    CTextLayout m_layout;
};

} // namespace DuiLib

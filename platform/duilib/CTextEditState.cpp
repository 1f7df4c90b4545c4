#include "platform/duilib/CTextEditState.h"

#include "platform/duilib/CPaintManagerUI.h"
#include "platform/duilib/CRenderEngine.h"

#include <algorithm>
#include <cwctype>

namespace DuiLib {

namespace {

constexpr DWORD kSelectionColor = 0xFFB4D5FE;

} // namespace

bool CTextEditState::Accepts(wchar_t c) const
{
    if (c < 0x20 || c == 0x7F) {
        return false;
    }
    return m_accept != Accept::Date || std::iswdigit(static_cast<wint_t>(c)) || c == L'-' || c == L'/' || c == L'.';
}

void CTextEditState::Clamp(const std::wstring& text)
{
    m_nCaret = std::min(m_nCaret, text.size());
    m_nAnchor = std::min(m_nAnchor, text.size());
}

void CTextEditState::GetSel(size_t& start, size_t& end) const
{
    start = std::min(m_nAnchor, m_nCaret);
    end = std::max(m_nAnchor, m_nCaret);
}

bool CTextEditState::Replace(std::wstring& text, size_t start, size_t end, const std::wstring& with, TextChange kind,
                             std::uint64_t nowMs)
{
    if ((with.empty() && start == end) || text.size() - (end - start) + with.size() > m_nMaxChars ||
        !std::all_of(with.begin(), with.end(), [this](wchar_t c) { return Accepts(c); })) {
        return false;
    }
    const CUndoHistory::TSelection before{m_nAnchor, m_nCaret};
    const CUndoHistory::TRecord record{start, text.substr(start, end - start), with};
    text.replace(start, end - start, with);
    m_nCaret = m_nAnchor = start + with.size();
    m_history.Record(kind, record, before, CUndoHistory::TSelection{m_nAnchor, m_nCaret}, nowMs);
    return true;
}

bool CTextEditState::Insert(const std::wstring& with, TextChange kind, std::wstring& text, std::uint64_t nowMs)
{
    Clamp(text);
    size_t start = 0;
    size_t end = 0;
    GetSel(start, end);
    m_history.Seal();
    const bool done = Replace(text, start, end, with, kind, nowMs);
    m_history.Seal();
    return done;
}

bool CTextEditState::UndoRedo(bool redo, std::wstring& text)
{
    CUndoHistory::TSelection selection;
    const auto apply = [&text](size_t start, size_t count, const std::wstring& with) {
        if (start <= text.size()) {
            text.replace(start, std::min(count, text.size() - start), with);
        }
    };
    if (!(redo ? m_history.Redo(apply, selection) : m_history.Undo(apply, selection))) {
        return false;
    }
    m_nAnchor = selection.nAnchor;
    m_nCaret = selection.nCaret;
    Clamp(text);
    return true;
}

bool CTextEditState::CanEdit(EditCommand command, const std::wstring& text, IClipboardUI& clipboard) const
{
    const bool selected = m_nAnchor != m_nCaret;
    std::wstring pasted;
    switch (command) {
    case EditCommand::Undo:
        return m_history.CanUndo();
    case EditCommand::Redo:
        return m_history.CanRedo();
    case EditCommand::Cut:
    case EditCommand::Copy:
    case EditCommand::Delete:
        return selected;
    case EditCommand::Paste:
        return clipboard.GetText(pasted) && !pasted.empty();
    case EditCommand::SelectAll:
        return !text.empty();
    }
    return false;
}

bool CTextEditState::Edit(EditCommand command, std::wstring& text, IClipboardUI& clipboard, std::uint64_t nowMs,
                          bool& changed)
{
    Clamp(text);
    size_t start = 0;
    size_t end = 0;
    GetSel(start, end);
    changed = false;
    std::wstring pasted;
    switch (command) {
    case EditCommand::Undo:
    case EditCommand::Redo:
        changed = UndoRedo(command == EditCommand::Redo, text);
        return changed;
    case EditCommand::Copy:
        return start != end && clipboard.SetText(text.substr(start, end - start));
    case EditCommand::Cut:
        changed = start != end && clipboard.SetText(text.substr(start, end - start)) &&
                  Replace(text, start, end, L"", TextChange::Cut, nowMs);
        return changed;
    case EditCommand::Delete:
        changed = Replace(text, start, end, L"", TextChange::Delete, nowMs);
        return changed;
    case EditCommand::Paste:
        changed = clipboard.GetText(pasted) && Insert(pasted, TextChange::Paste, text, nowMs);
        return changed;
    case EditCommand::SelectAll:
        SelectAll(text);
        return !text.empty();
    }
    return false;
}

bool CTextEditState::Apply(const TEventUI& event, std::wstring& text, IClipboardUI& clipboard, std::uint64_t nowMs)
{
    Clamp(text);
    size_t start = 0;
    size_t end = 0;
    GetSel(start, end);
    if (event.Type == UIEVENT_CHAR) {
        const wchar_t c = event.chKey;
        if (c == L'\b') {
            return start != end ? Replace(text, start, end, L"", TextChange::Delete, nowMs)
                                : start > 0 && Replace(text, start - 1, start, L"", TextChange::Erasing, nowMs);
        }
        return Accepts(c) && Replace(text, start, end, std::wstring(1, c), TextChange::Typing, nowMs);
    }
    if (event.Type != UIEVENT_KEYDOWN) {
        return false;
    }
    const bool shift = (event.wKeyState & MK_SHIFT) != 0;
    const bool ctrl = (event.wKeyState & MK_CONTROL) != 0;
    bool changed = false;
    if (ctrl && (event.wParam == 'A' || event.wParam == 'C' || event.wParam == 'X' || event.wParam == 'V' ||
                 event.wParam == 'Z' || event.wParam == 'Y')) {
        const EditCommand command = event.wParam == 'A'   ? EditCommand::SelectAll
                                    : event.wParam == 'C' ? EditCommand::Copy
                                    : event.wParam == 'X' ? EditCommand::Cut
                                    : event.wParam == 'V' ? EditCommand::Paste
                                    : event.wParam == 'Y' || shift ? EditCommand::Redo
                                                                   : EditCommand::Undo;
        Edit(command, text, clipboard, nowMs, changed);
        return changed;
    }
    if (event.wParam == VK_DELETE) {
        return start != end ? Replace(text, start, end, L"", TextChange::Delete, nowMs)
                            : end < text.size() && Replace(text, start, start + 1, L"", TextChange::Erasing, nowMs);
    }
    m_history.Seal();
    switch (event.wParam) {
    case VK_LEFT:
        m_nCaret = !shift && start != end ? start : m_nCaret > 0 ? m_nCaret - 1 : 0;
        break;
    case VK_RIGHT:
        m_nCaret = !shift && start != end ? end : std::min(m_nCaret + 1, text.size());
        break;
    case VK_HOME:
        m_nCaret = 0;
        break;
    case VK_END:
        m_nCaret = text.size();
        break;
    default:
        return false;
    }
    if (!shift) {
        m_nAnchor = m_nCaret;
    }
    return false;
}

void CTextEditState::Reset(const std::wstring& text)
{
    m_nCaret = m_nAnchor = text.size();
    m_history.Clear();
}

void CTextEditState::SelectAll(const std::wstring& text)
{
    m_history.Seal();
    m_nAnchor = 0;
    m_nCaret = text.size();
}

void CTextEditState::Layout(CPaintManagerUI& manager, const std::wstring& text, int font)
{
    m_layout.SetFont(manager.GetFont(font), manager.GetZoomRatio());
    m_layout.SetWidth(0);
    m_layout.SetText(text);
}

void CTextEditState::MoveTo(const std::wstring& text, CPaintManagerUI& manager, const RECT& box, int font, POINT pt)
{
    Layout(manager, text, font);
    m_history.Seal();
    m_nCaret = m_nAnchor = std::min(text.size(), m_layout.HitTest(pt.x - box.left, m_layout.GetLineHeight() / 2));
}

void CTextEditState::Paint(HDC hDC, CPaintManagerUI& manager, const RECT& box, const std::wstring& text, int font,
                           DWORD color)
{
    Layout(manager, text, font);
    Clamp(text);
    size_t start = 0;
    size_t end = 0;
    GetSel(start, end);
    const int height = m_layout.GetHeight();
    const int top = box.top + (box.bottom - box.top - height) / 2;
    CRenderEngine::PushClip(hDC, box);
    m_layout.Paint(hDC, box.left, top, 0, height, color, start, end, kSelectionColor);
    const RECT caret = m_layout.GetCaretRect(m_nCaret);
    CRenderEngine::DrawLine(hDC, box.left + caret.left, top + caret.top, box.left + caret.left, top + caret.bottom - 1, 1,
                            color);
    CRenderEngine::PopClip(hDC);
}

} // namespace DuiLib

#include "platform/duilib/CEditUI.h"

#include "platform/duilib/CPaintManagerUI.h"
#include "platform/duilib/CRenderEngine.h"
#include "platform/duilib/CTextSearch.h"

#include <algorithm>
#include <limits>
#include <string>

namespace DuiLib {

namespace {

constexpr size_t kEditMaxChars = 1024;
constexpr DWORD kSelectionColor = 0xFFB4D5FE;
// The selection of a field whose window is away (a menu or a dialog has the desktop's focus).
constexpr DWORD kInactiveSelectionColor = 0xFFD8D8D8;
constexpr UINT kCaretTimer = 1;
constexpr UINT kChangeTimer = 2;
// A listener of "textchanged" reads and stores the whole text: past this length a field tells
// of its changes when typing pauses, so that a keystroke costs the same in a long text as in a
// short one.
constexpr size_t kDeferredChangeChars = 64 * 1024;
constexpr UINT kChangePauseMs = 300;
constexpr UINT kCaretBlinkMs = 500;
constexpr int kWheelLines = 3;
constexpr int kScrollBarDesignWidth = 8;

bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Clipboard text as the field holds it: line breaks as '\n' (spaces on one line); false for text
// with other control characters, which a field never holds.
bool NormalisePasted(const std::wstring& in, bool multiline, std::wstring& out)
{
    out.clear();
    out.reserve(in.size());
    for (size_t i = 0; i < in.size(); ++i) {
        wchar_t c = in[i];
        if (c == L'\r') {
            if (i + 1 < in.size() && in[i + 1] == L'\n') {
                ++i;
            }
            c = L'\n';
        }
        if (c == L'\n') {
            out += multiline ? L'\n' : L' ';
        } else if ((c < 0x20 && c != L'\t') || c == 0x7F || IsHighSurrogate(c) || IsLowSurrogate(c)) {
            return false;
        } else {
            out += c;
        }
    }
    return true;
}

} // namespace

CEditUI::CEditUI() : CEditUI(false) {}

CEditUI::CEditUI(bool multiline)
    : m_bMultiline(multiline), m_nMaxChars(multiline ? std::numeric_limits<size_t>::max() : kEditMaxChars)
{
    m_dwBackColor = 0xFFFFFFFF;
    m_rcTextPadding = RECT{4, 2, 4, 2};
}

CEditUI::~CEditUI()
{
    if (m_pManager != nullptr) {
        m_pManager->KillTimer(this, kCaretTimer);
        m_pManager->KillTimer(this, kChangeTimer);
    }
}

LPCTSTR CEditUI::GetClass() const { return L"Edit"; }

void CEditUI::SetText(LPCTSTR text)
{
    CControlUI::SetText(text);
    m_layout.SetText(m_sText.Str());
    m_nCaret = m_nAnchor = m_sText.Str().size();
    m_nPreferredX = -1;
    m_chHighSurrogate = 0;
    // A new text is shown from its start until the field has the focus.
    m_nScrollX = 0;
    m_nScrollY = 0;
    m_bScrollPending = m_bFocused;
    m_sPreedit.clear();
    m_bDragMove = false;
    m_history.Clear();
    // The program's text replaces what a person typed: there is nothing left to tell.
    if (m_bChangePending && m_pManager != nullptr) {
        m_pManager->KillTimer(this, kChangeTimer);
    }
    m_bChangePending = false;
    Invalidate();
}

void CEditUI::SetPos(RECT rc, bool bNeedInvalidate)
{
    const bool resized = rc.right - rc.left != m_rcItem.right - m_rcItem.left || rc.bottom - rc.top != m_rcItem.bottom - m_rcItem.top;
    CControlUI::SetPos(rc, bNeedInvalidate);
    // Lines wrap anew at another width: the field being typed into keeps its caret in view.
    if (resized && m_pManager != nullptr && m_pManager->GetFocus() == this) {
        m_bScrollPending = true;
    }
}

void CEditUI::SetAttribute(LPCTSTR name, LPCTSTR value)
{
    const std::wstring n = name;
    if (n == L"readonly") {
        m_bReadOnly = ParseBool(value);
    } else if (n == L"maxchar") {
        m_nMaxChars = static_cast<size_t>(std::max(0, ParseInt(value)));
    } else {
        if (n == L"multiline") {
            m_bMultiline = ParseBool(value);
        }
        CControlUI::SetAttribute(name, value);
    }
}

void CEditUI::GetSel(size_t& start, size_t& end) const
{
    start = std::min(m_nAnchor, m_nCaret);
    end = std::max(m_nAnchor, m_nCaret);
}

void CEditUI::SetSel(size_t anchor, size_t caret)
{
    m_nAnchor = StopAtOrBefore(anchor);
    MoveCaret(StopAtOrBefore(caret), true);
}

size_t CEditUI::StopAtOrBefore(size_t pos)
{
    const size_t length = m_sText.Str().size();
    return pos >= length ? length : m_layout.PrevCursor(m_layout.NextCursor(pos));
}

CDuiString CEditUI::GetSelText() const
{
    size_t start = 0;
    size_t end = 0;
    GetSel(start, end);
    return CDuiString(m_sText.Str().substr(start, end - start));
}

RECT CEditUI::GetCaretPos()
{
    SyncLayout();
    const POINT origin = TextOrigin();
    const RECT caret = m_layout.GetCaretRect(m_nCaret);
    return RECT{caret.left + origin.x, caret.top + origin.y, caret.right + origin.x, caret.bottom + origin.y};
}

void CEditUI::DoEvent(TEventUI& event)
{
    if (m_pManager == nullptr) {
        CControlUI::DoEvent(event);
        return;
    }
    SyncLayout();
    switch (event.Type) {
    case UIEVENT_SETFOCUS:
        // The caret comes into view at the next paint, unless the click that brought the
        // focus puts it elsewhere first: that click must meet the text where it was shown.
        CControlUI::DoEvent(event);
        m_bScrollPending = true;
        ::CreateCaret(m_pManager->GetPaintWindow(), nullptr, 1, m_layout.GetLineHeight());
        TellCaret();
        RestartBlink();
        return;
    case UIEVENT_KILLFOCUS:
        FlushTextChanged();
        CControlUI::DoEvent(event);
        m_pManager->KillTimer(this, kCaretTimer);
        ::DestroyCaret();
        m_history.Seal();
        m_bCaretOn = false;
        m_bDragging = false;
        m_bDragMove = false;
        m_bScrollPending = false;
        m_sPreedit.clear();
        return;
    case UIEVENT_TIMER:
        if (event.wParam == kCaretTimer) {
            m_bCaretOn = !m_bCaretOn;
            InvalidateCaret();
        } else if (event.wParam == kChangeTimer) {
            FlushTextChanged();
        }
        return;
    case UIEVENT_SETCURSOR:
        ::SetCursor(::LoadCursor(nullptr, IsEnabled() ? IDC_IBEAM : IDC_ARROW));
        return;
    case UIEVENT_MOUSEMOVE:
        if (!m_bDragging && !m_bThumbDragging && !m_bDragMove) {
            return;
        }
        break;
    case UIEVENT_KEYDOWN:
    case UIEVENT_CHAR:
    case UIEVENT_IME_COMPOSITION:
        if (!IsEnabled()) {
            return;
        }
        break;
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_BUTTONUP:
    case UIEVENT_DBLCLICK:
    case UIEVENT_SCROLLWHEEL:
    case UIEVENT_RBUTTONDOWN:
        break;
    default:
        CControlUI::DoEvent(event);
        return;
    }
    HandleInput(event);
    // What input changes (text, caret, selection, scrolling) stays inside the field.
    Invalidate();
    TellCaret();
}

void CEditUI::HandleInput(TEventUI& event)
{
    switch (event.Type) {
    case UIEVENT_KEYDOWN:
        HandleKey(event);
        return;
    case UIEVENT_CHAR:
        HandleChar(event);
        return;
    case UIEVENT_IME_COMPOSITION: {
        const auto* composition = reinterpret_cast<const platform::ImeComposition*>(event.lParam);
        m_sPreedit = composition != nullptr ? composition->text : std::wstring();
        return;
    }
    case UIEVENT_DBLCLICK:
        SelectWordAt(event.ptMouse);
        OfferSelection();
        return;
    case UIEVENT_RBUTTONDOWN: {
        // A context menu acts on the selection under the pointer, or at the point.
        const POINT origin = TextOrigin();
        const size_t hit = m_layout.HitTest(event.ptMouse.x - origin.x, event.ptMouse.y - origin.y);
        size_t start = 0;
        size_t end = 0;
        GetSel(start, end);
        if (hit < start || hit > end || start == end) {
            m_history.Seal();
            MoveCaret(hit, false);
        }
        return;
    }
    case UIEVENT_SCROLLWHEEL:
        if (m_bMultiline) {
            const int before = m_nScrollY;
            m_nScrollY -= static_cast<int>(static_cast<std::intptr_t>(event.wParam)) * kWheelLines *
                          m_layout.GetLineHeight() / WHEEL_DELTA;
            ClampScroll();
            event.bHandled = m_nScrollY != before;
        }
        return;
    default:
        HandleMouse(event);
        return;
    }
}

void CEditUI::SelectWordAt(POINT pt)
{
    const POINT origin = TextOrigin();
    const size_t hit = m_layout.HitTest(pt.x - origin.x, pt.y - origin.y);
    const size_t start = m_layout.MoveByWord(m_layout.NextCursor(hit), -1);
    const size_t end = m_layout.MoveByWord(start, 1);
    m_bDragging = false;
    SetSel(start, std::max(start, end));
}

void CEditUI::TellCaret()
{
    if (!m_bFocused) {
        return;
    }
    const RECT caret = GetCaretPos();
    ::SetCaretPos(caret.left, caret.top);
}

void CEditUI::InvalidateCaret()
{
    if (m_bScrollPending) {
        Invalidate();
        return;
    }
    const RECT caret = GetCaretPos();
    const RECT box = TextBox();
    m_pManager->Invalidate(RECT{std::max(caret.left - 1, box.left), std::max(caret.top, box.top),
                                std::min(caret.left + 2, box.right), std::min(caret.bottom, box.bottom)});
}

void CEditUI::HandleKey(const TEventUI& event)
{
    const bool shift = (event.wKeyState & MK_SHIFT) != 0;
    const bool ctrl = (event.wKeyState & MK_CONTROL) != 0;
    const bool vertical = event.wParam == VK_UP || event.wParam == VK_DOWN || event.wParam == VK_PRIOR ||
                          event.wParam == VK_NEXT;
    if (!vertical) {
        m_nPreferredX = -1;
    }
    const bool editing = event.wParam == VK_DELETE || (ctrl && (event.wParam == 'X' || event.wParam == 'V' ||
                                                                event.wParam == 'Z' || event.wParam == 'Y'));
    if (!editing && event.wParam != 'C') {
        m_history.Seal();
    }
    size_t start = 0;
    size_t end = 0;
    GetSel(start, end);
    switch (event.wParam) {
    case VK_LEFT:
    case VK_RIGHT: {
        const bool left = event.wParam == VK_LEFT;
        if (ctrl) {
            MoveCaret(m_layout.MoveByWord(m_nCaret, left ? -1 : 1), shift);
        } else if (!shift && start != end) {
            MoveCaret(left ? start : end, false);
        } else {
            MoveCaret(m_layout.MoveVisually(m_nCaret, left ? -1 : 1), shift);
        }
        break;
    }
    case VK_UP:
    case VK_DOWN:
        if (m_bMultiline) {
            const RECT caret = m_layout.GetCaretRect(m_nCaret);
            MoveVertically(event.wParam == VK_UP ? -1 : caret.bottom - caret.top, false, shift);
        }
        break;
    case VK_PRIOR:
    case VK_NEXT:
        if (m_bMultiline) {
            const RECT box = TextBox();
            const int page = std::max<int>(m_layout.GetLineHeight(), box.bottom - box.top);
            const int step = event.wParam == VK_PRIOR ? -page : page;
            m_nScrollY += step;
            ClampScroll();
            MoveVertically(step, true, shift);
        }
        break;
    case VK_HOME:
        MoveCaret(ctrl ? 0 : m_layout.LineStart(m_nCaret), shift);
        break;
    case VK_END:
        MoveCaret(ctrl ? m_sText.Str().size() : m_layout.LineEnd(m_nCaret), shift);
        break;
    case VK_DELETE:
        if (start == end) {
            ReplaceRange(start, m_layout.NextCursor(m_nCaret), L"", TextChange::Erasing);
        } else {
            ReplaceRange(start, end, L"", TextChange::Delete);
        }
        break;
    case 'A':
    case 'C':
    case 'X':
    case 'V':
        if (ctrl) {
            Edit(event.wParam == 'A' ? EditCommand::SelectAll
                 : event.wParam == 'C' ? EditCommand::Copy
                 : event.wParam == 'X' ? EditCommand::Cut
                                       : EditCommand::Paste);
        }
        break;
    case 'Z':
    case 'Y':
        if (ctrl) {
            UndoRedo(event.wParam == 'Y' || shift);
        }
        break;
    default:
        break;
    }
    if (shift) {
        OfferSelection();
    }
}

void CEditUI::HandleChar(const TEventUI& event)
{
    wchar_t c = event.chKey;
    if (IsHighSurrogate(c)) {
        m_chHighSurrogate = c;
        return;
    }
    if (IsLowSurrogate(c)) {
        if (m_chHighSurrogate == 0) {
            return;
        }
        c = static_cast<wchar_t>(0x10000 + ((m_chHighSurrogate - 0xD800) << 10) + (c - 0xDC00));
    }
    m_chHighSurrogate = 0;
    m_nPreferredX = -1;
    if (c == L'\b') {
        size_t start = 0;
        size_t end = 0;
        GetSel(start, end);
        if (start == end) {
            ReplaceRange(m_layout.BackspaceStart(m_nCaret), end, L"", TextChange::Erasing);
        } else {
            ReplaceRange(start, end, L"", TextChange::Delete);
        }
        return;
    }
    if (c == L'\r' && !m_bMultiline) {
        m_pManager->SendNotify(this, DUI_MSGTYPE_RETURN);
        return;
    }
    if (c == L'\r' || c == L'\n') {
        if (m_bMultiline) {
            ReplaceSelection(L"\n", TextChange::Typing);
        }
        return;
    }
    if (c >= 0x20 && c != 0x7F) {
        ReplaceSelection(std::wstring(1, c), TextChange::Typing);
    }
}

void CEditUI::HandleMouse(const TEventUI& event)
{
    const POINT pt = event.ptMouse;
    const CScrollBar bar = VerticalBar();
    const POINT origin = TextOrigin();
    const auto hit = [&] { return m_layout.HitTest(pt.x - origin.x, pt.y - origin.y); };
    const bool held = (event.wKeyState & MK_LBUTTON) != 0;
    size_t start = 0;
    size_t end = 0;
    GetSel(start, end);
    if (event.Type == UIEVENT_BUTTONDOWN && bar.Contains(pt)) {
        // The scroll bar moves the view and leaves the caret where it is.
        m_bScrollPending = false;
        m_bThumbDragging = true;
        m_nScrollY = bar.PositionAt(pt);
        ClampScroll();
    } else if (event.Type == UIEVENT_BUTTONDOWN) {
        m_history.Seal();
        m_nPreferredX = -1;
        const size_t at = hit();
        const bool shift = (event.wKeyState & MK_SHIFT) != 0;
        // A press inside the selection may start dragging it; the release tells.
        m_bDragMove = !shift && start != end && at > start && at < end && IsEditable();
        m_nDropPos = at;
        m_bDragging = !m_bDragMove;
        if (!m_bDragMove) {
            MoveCaret(at, shift);
        }
    } else if (event.Type == UIEVENT_MOUSEMOVE && m_bThumbDragging && held) {
        m_nScrollY = bar.PositionAt(pt);
        ClampScroll();
    } else if (event.Type == UIEVENT_MOUSEMOVE && m_bDragMove && held) {
        m_nDropPos = hit();
    } else if (event.Type == UIEVENT_MOUSEMOVE && m_bDragging && held) {
        MoveCaret(hit(), true);
    } else if (event.Type == UIEVENT_BUTTONUP) {
        if (m_bDragMove) {
            m_bDragMove = false;
            DropSelection(hit(), (event.wKeyState & MK_CONTROL) != 0);
        } else if (m_bDragging) {
            OfferSelection();
        }
        m_bDragging = false;
        m_bThumbDragging = false;
    }
}

void CEditUI::DropSelection(size_t to, bool copy)
{
    size_t start = 0;
    size_t end = 0;
    GetSel(start, end);
    to = StopAtOrBefore(to);
    if (to >= start && to <= end) {
        // Released where it was pressed: a click, which places the caret.
        MoveCaret(to, false);
        return;
    }
    const std::wstring moved = m_sText.Str().substr(start, end - start);
    m_history.BeginStep();
    bool changed = copy || ChangeText(start, end, L"", TextChange::Drag);
    const size_t at = copy || to < start ? to : to - moved.size();
    changed = ChangeText(at, at, moved, TextChange::Drag) && changed;
    m_history.EndStep();
    if (changed) {
        m_nAnchor = at;
        MoveCaret(at + moved.size(), true);
        TextChanged();
    }
}

bool CEditUI::ReplaceSelection(const std::wstring& with, TextChange kind)
{
    size_t start = 0;
    size_t end = 0;
    GetSel(start, end);
    return ReplaceRange(start, end, with, kind);
}

bool CEditUI::ReplaceRange(size_t start, size_t end, const std::wstring& with, TextChange kind)
{
    if (!ChangeText(start, end, with, kind)) {
        return false;
    }
    TextChanged();
    return true;
}

bool CEditUI::ChangeText(size_t start, size_t end, const std::wstring& with, TextChange kind)
{
    if (!IsEditable() || (with.empty() && start == end)) {
        return false;
    }
    const size_t length = m_sText.Str().size() - (end - start) + with.size();
    if (!with.empty() && length > m_nMaxChars) {
        return false;
    }
    if (m_filter && std::any_of(with.begin(), with.end(), [this](wchar_t c) { return c != L'\n' && !m_filter(c); })) {
        return false;
    }
    const CUndoHistory::TSelection before{m_nAnchor, m_nCaret};
    CUndoHistory::TRecord record{start, m_sText.Str().substr(start, end - start), with};
    m_sText.Replace(start, end - start, with);
    m_layout.Replace(start, end - start, with);
    m_nAnchor = start + with.size();
    MoveCaret(m_nAnchor, false);
    m_history.Record(kind, record, before, CUndoHistory::TSelection{m_nAnchor, m_nCaret},
                     ::platform::GetWindowTime(m_pManager->GetPaintWindow()));
    return true;
}

void CEditUI::ApplyRecord(size_t start, size_t count, const std::wstring& with)
{
    // The history fits the text, since every change went through it; a record that would not
    // fit is left out rather than read past the text's end.
    const size_t length = m_sText.Str().size();
    if (start > length) {
        return;
    }
    count = std::min(count, length - start);
    m_sText.Replace(start, count, with);
    m_layout.Replace(start, count, with);
}

bool CEditUI::UndoRedo(bool redo)
{
    if (!IsEditable()) {
        return false;
    }
    CUndoHistory::TSelection selection;
    const auto apply = [this](size_t start, size_t count, const std::wstring& with) { ApplyRecord(start, count, with); };
    if (!(redo ? m_history.Redo(apply, selection) : m_history.Undo(apply, selection))) {
        return false;
    }
    m_nPreferredX = -1;
    m_nAnchor = StopAtOrBefore(selection.nAnchor);
    MoveCaret(StopAtOrBefore(selection.nCaret), true);
    TextChanged();
    return true;
}

void CEditUI::OfferSelection()
{
    size_t start = 0;
    size_t end = 0;
    GetSel(start, end);
    if (start != end && m_pManager != nullptr) {
        m_pManager->GetClipboard()->SetSelectionText(m_sText.Str().substr(start, end - start));
    }
}

bool CEditUI::CanEdit(EditCommand command)
{
    size_t start = 0;
    size_t end = 0;
    GetSel(start, end);
    std::wstring clipboard;
    switch (command) {
    case EditCommand::Undo:
        return IsEditable() && m_history.CanUndo();
    case EditCommand::Redo:
        return IsEditable() && m_history.CanRedo();
    case EditCommand::Cut:
    case EditCommand::Delete:
        return IsEditable() && start != end;
    case EditCommand::Copy:
        return start != end;
    case EditCommand::Paste:
        return IsEditable() && m_pManager != nullptr && m_pManager->GetClipboard()->GetText(clipboard) && !clipboard.empty();
    case EditCommand::SelectAll:
        return !m_sText.IsEmpty();
    }
    return false;
}

bool CEditUI::Edit(EditCommand command)
{
    if (m_pManager == nullptr) {
        return false;
    }
    bool done = false;
    switch (command) {
    case EditCommand::Undo:
    case EditCommand::Redo:
        done = UndoRedo(command == EditCommand::Redo);
        break;
    case EditCommand::Cut:
        // The text goes only once the clipboard holds it.
        done = IsEditable() && Copy() && ReplaceSelection(L"", TextChange::Cut);
        break;
    case EditCommand::Copy:
        done = Copy();
        break;
    case EditCommand::Paste:
        done = Paste();
        break;
    case EditCommand::Delete:
        done = ReplaceSelection(L"", TextChange::Delete);
        break;
    case EditCommand::SelectAll:
        m_history.Seal();
        m_nAnchor = 0;
        MoveCaret(m_sText.Str().size(), true);
        OfferSelection();
        done = !m_sText.IsEmpty();
        break;
    }
    Invalidate();
    TellCaret();
    return done;
}

bool CEditUI::InsertText(const std::wstring& text, TextChange kind)
{
    std::wstring normalised;
    if (m_pManager == nullptr || !NormalisePasted(text, m_bMultiline, normalised) || normalised.empty()) {
        return false;
    }
    m_history.Seal();
    const bool done = ReplaceSelection(normalised, kind);
    m_history.Seal();
    Invalidate();
    TellCaret();
    return done;
}

bool CEditUI::PasteSelectionAt(POINT pt)
{
    std::wstring text;
    std::wstring normalised;
    if (m_pManager == nullptr || !IsEditable() || !m_pManager->GetClipboard()->GetSelectionText(text) ||
        !NormalisePasted(text, m_bMultiline, normalised) || normalised.empty()) {
        return false;
    }
    SyncLayout();
    const POINT origin = TextOrigin();
    const size_t at = m_layout.HitTest(pt.x - origin.x, pt.y - origin.y);
    m_history.Seal();
    const bool done = ReplaceRange(at, at, normalised, TextChange::Paste);
    m_history.Seal();
    Invalidate();
    TellCaret();
    return done;
}

bool CEditUI::FindText(platform::TextSearchRequest& request)
{
    const CTextSearch search(request.what, request.matchCase, request.wholeWord);
    size_t start = 0;
    size_t end = 0;
    GetSel(start, end);
    request.count = 0;
    m_history.Seal();
    if (request.action == platform::TextSearchRequest::Action::ReplaceAll) {
        // One step for all of them; each search goes on after the text put in, so a replacement
        // that holds what is searched for is not replaced again.
        m_history.BeginStep();
        size_t from = 0;
        size_t at = 0;
        while (IsEditable() && search.FindFrom(m_sText.Str(), from, at) && at >= from &&
               ChangeText(at, at + search.Length(), request.with, TextChange::Replace)) {
            from = at + request.with.size();
            ++request.count;
        }
        m_history.EndStep();
        if (request.count > 0) {
            TextChanged();
        }
    } else {
        if (request.action == platform::TextSearchRequest::Action::Replace && search.IsMatch(m_sText.Str(), start, end) &&
            ReplaceRange(start, end, request.with, TextChange::Replace)) {
            request.count = 1;
            start = end = m_nCaret;
        }
        size_t at = 0;
        if (search.FindFrom(m_sText.Str(), start != end ? end : m_nCaret, at)) {
            SetSel(at, at + search.Length());
            m_history.Seal();
            Invalidate();
            return true;
        }
    }
    Invalidate();
    return request.count > 0;
}

void CEditUI::TextChanged()
{
    if (m_sText.Str().size() > kDeferredChangeChars) {
        m_bChangePending = true;
        m_pManager->SetTimer(this, kChangeTimer, kChangePauseMs);
        return;
    }
    if (m_bChangePending) {
        m_bChangePending = false;
        m_pManager->KillTimer(this, kChangeTimer);
    }
    m_pManager->SendNotify(this, DUI_MSGTYPE_TEXTCHANGED);
}

void CEditUI::FlushTextChanged()
{
    if (!m_bChangePending || m_pManager == nullptr) {
        return;
    }
    m_bChangePending = false;
    m_pManager->KillTimer(this, kChangeTimer);
    // A listener may remove this field: nothing of it is touched afterwards.
    m_pManager->SendNotify(this, DUI_MSGTYPE_TEXTCHANGED);
}

void CEditUI::MoveCaret(size_t pos, bool extend)
{
    m_nCaret = std::min(pos, m_sText.Str().size());
    if (!extend) {
        m_nAnchor = m_nCaret;
    }
    ScrollToCaret();
    RestartBlink();
}

void CEditUI::MoveVertically(int dy, bool page, bool extend)
{
    const RECT caret = m_layout.GetCaretRect(m_nCaret);
    if (m_nPreferredX < 0) {
        m_nPreferredX = caret.left;
    }
    int y = caret.top + dy;
    // Up on the first line and Down on the last have nowhere to go; a page stops at the first
    // or last line.
    const int height = m_layout.GetHeight();
    if (page) {
        y = std::clamp(y, 0, height - 1);
    } else if (y < 0 || y >= height) {
        return;
    }
    const int preferredX = m_nPreferredX;
    MoveCaret(m_layout.HitTest(preferredX, y), extend);
    m_nPreferredX = preferredX;
}

bool CEditUI::Copy()
{
    const CDuiString selected = GetSelText();
    return !selected.IsEmpty() && m_pManager->GetClipboard()->SetText(selected.Str());
}

bool CEditUI::Paste()
{
    std::wstring text;
    std::wstring normalised;
    return m_pManager->GetClipboard()->GetText(text) && NormalisePasted(text, m_bMultiline, normalised) &&
           !normalised.empty() && ReplaceSelection(normalised, TextChange::Paste);
}

void CEditUI::ScrollToCaret()
{
    m_bScrollPending = false;
    const RECT box = TextBox();
    if (!m_bMultiline) {
        const int view = std::max<LONG>(1, box.right - box.left);
        const RECT caret = m_layout.GetCaretRect(m_nCaret);
        if (caret.left < m_nScrollX) {
            m_nScrollX = caret.left;
        } else if (caret.left >= m_nScrollX + view) {
            m_nScrollX = caret.left - view + 1;
        }
        m_nScrollX = std::max(0, m_nScrollX);
        return;
    }
    // Laying out the paragraphs that come into view makes their heights exact, which may move
    // the caret; a second pass settles it.
    const int view = std::max<LONG>(1, box.bottom - box.top);
    for (int pass = 0; pass < 3; ++pass) {
        const RECT caret = m_layout.GetCaretRect(m_nCaret);
        int scroll = m_nScrollY;
        if (caret.top < scroll) {
            scroll = caret.top;
        } else if (caret.bottom > scroll + view) {
            scroll = caret.bottom - view;
        }
        m_layout.Prepare(scroll, scroll + view);
        if (scroll == m_nScrollY) {
            break;
        }
        m_nScrollY = scroll;
    }
    ClampScroll();
}

void CEditUI::ClampScroll()
{
    const RECT box = TextBox();
    const int overflow = m_layout.GetHeight() - (box.bottom - box.top);
    m_nScrollY = std::clamp(m_nScrollY, 0, std::max(0, overflow));
}

void CEditUI::RestartBlink()
{
    if (!m_bFocused || m_pManager == nullptr) {
        return;
    }
    m_bCaretOn = true;
    m_pManager->SetTimer(this, kCaretTimer, kCaretBlinkMs);
}

void CEditUI::SyncLayout()
{
    if (m_pManager == nullptr) {
        return;
    }
    m_layout.SetFont(m_pManager->GetFont(m_iFont), m_pManager->GetZoomRatio());
    const RECT box = TextBox();
    // Paper cannot scroll: a line wider than the field wraps, and the page makes room for it.
    const bool wrap = m_bMultiline || IsPrinting();
    m_layout.SetWidth(wrap ? std::max<LONG>(1, box.right - box.left - ScrollBarWidth()) : 0);
}

RECT CEditUI::TextBox() const
{
    RECT rc = m_rcItem;
    rc.left += Scale(m_rcTextPadding.left);
    rc.top += Scale(m_rcTextPadding.top);
    rc.right = std::max(rc.left, rc.right - Scale(m_rcTextPadding.right));
    rc.bottom = std::max(rc.top, rc.bottom - Scale(m_rcTextPadding.bottom));
    return rc;
}

POINT CEditUI::TextOrigin()
{
    const RECT box = TextBox();
    if (m_bMultiline) {
        return POINT{box.left, box.top - m_nScrollY};
    }
    // One line sits in the middle of the field.
    const int height = m_layout.GetHeight();
    return POINT{box.left - m_nScrollX, box.top + (box.bottom - box.top - height) / 2};
}

int CEditUI::ScrollBarWidth() const
{
    return m_bMultiline ? Scale(kScrollBarDesignWidth) : 0;
}

void CEditUI::PaintText(HDC hDC)
{
    if (m_pManager == nullptr) {
        return;
    }
    // Paper shows the value as text: no caret, selection, composition or scroll bar.
    const bool paper = IsPrinting();
    if (paper && m_sText.IsEmpty()) {
        CControlUI::PaintText(hDC);
        return;
    }
    SyncLayout();
    if (m_bScrollPending) {
        ScrollToCaret();
    }
    if (m_bMultiline) {
        ClampScroll();
    }
    const RECT box = TextBox();
    const POINT origin = TextOrigin();
    // Only the lines inside the clip are painted: a printed page shows a slice of a tall box.
    // Lines stand at fractional rows, so a slice that starts at a line's whole-pixel top meets
    // the line above by less than a pixel; that line belongs to the slice above.
    const RECT shown = CRenderEngine::ClipTo(hDC, box);
    const int top = shown.top - origin.y + (shown.top > box.top ? 1 : 0);
    size_t start = 0;
    size_t end = 0;
    // The selection shows while the field has the focus, in grey while its window is away, and
    // not at all once another field took the focus, nor on paper.
    const bool windowAway = !m_bFocused && m_pManager->GetFocus() == this;
    if (!paper && (m_bFocused || windowAway)) {
        GetSel(start, end);
    }
    CRenderEngine::PushClip(hDC, box);
    m_layout.Paint(hDC, origin.x, origin.y, top, top + (shown.bottom - shown.top), PaintTextColor(), start, end,
                   windowAway ? kInactiveSelectionColor : kSelectionColor);
    if (paper) {
        CRenderEngine::PopClip(hDC);
        return;
    }
    if (m_bFocused && (m_bCaretOn || m_bDragMove)) {
        // While a selection is dragged the caret shows where it would land.
        const RECT caret = m_layout.GetCaretRect(m_bDragMove ? m_nDropPos : m_nCaret);
        CRenderEngine::DrawLine(hDC, caret.left + origin.x, caret.top + origin.y, caret.left + origin.x,
                                caret.bottom + origin.y - 1, 1, m_dwTextColor);
    }
    if (m_bFocused && !m_sPreedit.empty()) {
        PaintPreedit(hDC);
    }
    CRenderEngine::PopClip(hDC);
    VerticalBar().Paint(hDC);
    TellCaret();
}

void CEditUI::PaintPreedit(HDC hDC)
{
    m_preeditLayout.SetFont(m_pManager->GetFont(m_iFont), m_pManager->GetZoomRatio());
    m_preeditLayout.SetWidth(0);
    m_preeditLayout.SetText(m_sPreedit);
    const RECT caret = GetCaretPos();
    const int width = m_preeditLayout.GetCaretRect(m_sPreedit.size()).left;
    const RECT rc{caret.left, caret.top, caret.left + width + 2, caret.bottom};
    // The composition covers the text after the caret until it is committed, underlined as
    // desktop input methods show it.
    CRenderEngine::DrawColor(hDC, rc, m_dwBackColor != 0 ? m_dwBackColor : 0xFFFFFFFF);
    m_preeditLayout.Paint(hDC, rc.left + 1, rc.top, 0, rc.bottom - rc.top, m_dwTextColor, 0, 0, kSelectionColor);
    CRenderEngine::DrawLine(hDC, rc.left, rc.bottom - 1, rc.right, rc.bottom - 1, 1, m_dwTextColor);
}

CScrollBar CEditUI::VerticalBar()
{
    const RECT box = TextBox();
    const int view = box.bottom - box.top;
    const int content = m_layout.GetHeight();
    const bool shown = m_bMultiline && content > view;
    const RECT track = shown ? RECT{box.right - ScrollBarWidth(), box.top, box.right, box.bottom} : RECT{};
    return CScrollBar(track, true, view, content, m_nScrollY, Scale(kScrollBarDesignWidth * 2));
}

void CEditUI::PaintBkColor(HDC hDC)
{
    if (!IsPrinting()) {
        CControlUI::PaintBkColor(hDC);
    }
}

void CEditUI::PaintBorder(HDC hDC)
{
    if (IsPrinting()) {
        return;
    }
    if (m_nBorderSize > 0) {
        CControlUI::PaintBorder(hDC);
        return;
    }
    // A field without its own border still shows where it is, and whether it has the focus.
    PaintFieldFrame(hDC);
}

CRichEditUI::CRichEditUI() : CEditUI(true)
{
    m_uTextStyle = DT_LEFT | DT_TOP | DT_WORDBREAK;
}

LPCTSTR CRichEditUI::GetClass() const { return L"RichEdit"; }

int CEditUI::GetContentHeight()
{
    SyncLayout();
    const RECT box = TextBox();
    return (m_rcItem.bottom - m_rcItem.top) - (box.bottom - box.top) +
           m_layout.GetHeight(0, m_layout.GetParagraphCount());
}

int CEditUI::GetLineBreakAbove(int y)
{
    SyncLayout();
    const POINT origin = TextOrigin();
    if (y - origin.y >= m_layout.GetHeight(0, m_layout.GetParagraphCount())) {
        return y;
    }
    const int top = origin.y + m_layout.GetLineTop(y - origin.y);
    return top <= y ? std::max<int>(m_rcItem.top, top) : static_cast<int>(m_rcItem.top);
}

bool CEditUI::ShowsWholeText()
{
    SyncLayout();
    const RECT box = TextBox();
    const bool wraps = m_layout.GetWidth() > 0;
    return m_layout.FitsWidth(wraps ? 0 : box.right - box.left) &&
           (!wraps || m_layout.GetHeight(0, m_layout.GetParagraphCount()) <= box.bottom - box.top);
}

} // namespace DuiLib

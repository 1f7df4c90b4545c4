#include "platform/duilib/CEditUI.h"

#include "platform/duilib/CPaintManagerUI.h"
#include "platform/duilib/CRenderEngine.h"

#include <algorithm>
#include <limits>
#include <string>

namespace DuiLib {

namespace {

constexpr size_t kEditMaxChars = 1024;
constexpr DWORD kFocusBorderColor = 0xFF3C78D8;
constexpr DWORD kFieldBorderColor = 0xFFB0B0B0;
constexpr DWORD kSelectionColor = 0xFFB4D5FE;
constexpr DWORD kScrollTrackColor = 0xFFEEEEEE;
constexpr DWORD kScrollThumbColor = 0xFFA8A8A8;
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
    // The program's text replaces what a person typed: there is nothing left to tell.
    if (m_bChangePending && m_pManager != nullptr) {
        m_pManager->KillTimer(this, kChangeTimer);
    }
    m_bChangePending = false;
    Invalidate();
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
        m_bCaretOn = false;
        m_bDragging = false;
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
        if (!m_bDragging && !m_bThumbDragging) {
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
        return;
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
        ReplaceRange(start, start == end ? m_layout.NextCursor(m_nCaret) : end, L"");
        break;
    case 'A':
        if (ctrl) {
            m_nAnchor = 0;
            MoveCaret(m_sText.Str().size(), true);
        }
        break;
    case 'C':
        if (ctrl) {
            Copy();
        }
        break;
    case 'X':
        // The text goes only once the clipboard holds it.
        if (ctrl && !m_bReadOnly && Copy()) {
            ReplaceSelection(L"");
        }
        break;
    case 'V':
        if (ctrl) {
            Paste();
        }
        break;
    default:
        break;
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
        ReplaceRange(start == end ? m_layout.BackspaceStart(m_nCaret) : start, end, L"");
        return;
    }
    if (c == L'\r' && !m_bMultiline) {
        m_pManager->SendNotify(this, DUI_MSGTYPE_RETURN);
        return;
    }
    if (c == L'\r' || c == L'\n') {
        if (m_bMultiline) {
            ReplaceSelection(L"\n");
        }
        return;
    }
    if (c >= 0x20 && c != 0x7F) {
        ReplaceSelection(std::wstring(1, c));
    }
}

void CEditUI::HandleMouse(const TEventUI& event)
{
    const POINT pt = event.ptMouse;
    const RECT track = ScrollTrack();
    const POINT origin = TextOrigin();
    const auto hit = [&] { return m_layout.HitTest(pt.x - origin.x, pt.y - origin.y); };
    const bool held = (event.wKeyState & MK_LBUTTON) != 0;
    if (event.Type == UIEVENT_BUTTONDOWN && pt.x >= track.left && pt.x < track.right && pt.y >= track.top &&
        pt.y < track.bottom) {
        // The scroll bar moves the view and leaves the caret where it is.
        m_bScrollPending = false;
        m_bThumbDragging = true;
        ScrollToTrack(pt.y);
    } else if (event.Type == UIEVENT_BUTTONDOWN) {
        m_nPreferredX = -1;
        m_bDragging = true;
        MoveCaret(hit(), (event.wKeyState & MK_SHIFT) != 0);
    } else if (event.Type == UIEVENT_MOUSEMOVE && m_bThumbDragging && held) {
        ScrollToTrack(pt.y);
    } else if (event.Type == UIEVENT_MOUSEMOVE && m_bDragging && held) {
        MoveCaret(hit(), true);
    } else if (event.Type == UIEVENT_BUTTONUP) {
        m_bDragging = false;
        m_bThumbDragging = false;
    }
}

bool CEditUI::ReplaceSelection(const std::wstring& with)
{
    size_t start = 0;
    size_t end = 0;
    GetSel(start, end);
    return ReplaceRange(start, end, with);
}

bool CEditUI::ReplaceRange(size_t start, size_t end, const std::wstring& with)
{
    if (m_bReadOnly || (with.empty() && start == end)) {
        return false;
    }
    const size_t length = m_sText.Str().size() - (end - start) + with.size();
    if (!with.empty() && length > m_nMaxChars) {
        return false;
    }
    if (m_filter && std::any_of(with.begin(), with.end(), [this](wchar_t c) { return c != L'\n' && !m_filter(c); })) {
        return false;
    }
    m_sText.Replace(start, end - start, with);
    m_layout.Replace(start, end - start, with);
    m_nAnchor = start + with.size();
    MoveCaret(m_nAnchor, false);
    TextChanged();
    return true;
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

void CEditUI::Paste()
{
    std::wstring text;
    std::wstring normalised;
    if (m_pManager->GetClipboard()->GetText(text) && NormalisePasted(text, m_bMultiline, normalised) &&
        !normalised.empty()) {
        ReplaceSelection(normalised);
    }
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
    if (!paper) {
        GetSel(start, end);
    }
    CRenderEngine::PushClip(hDC, box);
    m_layout.Paint(hDC, origin.x, origin.y, top, top + (shown.bottom - shown.top), PaintTextColor(), start, end,
                   kSelectionColor);
    if (paper) {
        CRenderEngine::PopClip(hDC);
        return;
    }
    if (m_bFocused && m_bCaretOn) {
        const RECT caret = GetCaretPos();
        CRenderEngine::DrawLine(hDC, caret.left, caret.top, caret.left, caret.bottom - 1, 1, m_dwTextColor);
    }
    if (m_bFocused && !m_sPreedit.empty()) {
        PaintPreedit(hDC);
    }
    CRenderEngine::PopClip(hDC);
    PaintScrollBar(hDC);
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

RECT CEditUI::ScrollTrack()
{
    const RECT box = TextBox();
    if (!m_bMultiline || m_layout.GetHeight() <= box.bottom - box.top) {
        return RECT{};
    }
    return RECT{box.right - ScrollBarWidth(), box.top, box.right, box.bottom};
}

int CEditUI::ThumbHeight(const RECT& track)
{
    const int view = track.bottom - track.top;
    const long long height = std::max(1, m_layout.GetHeight());
    return std::min(view, std::max(Scale(kScrollBarDesignWidth * 2), static_cast<int>(view * view / height)));
}

void CEditUI::ScrollToTrack(int y)
{
    // The thumb's middle follows the pointer.
    const RECT track = ScrollTrack();
    const int thumb = ThumbHeight(track);
    const int range = track.bottom - track.top - thumb;
    if (range <= 0) {
        return;
    }
    const int view = track.bottom - track.top;
    const long long position = std::clamp(y - track.top - thumb / 2, 0, range);
    m_nScrollY = static_cast<int>(position * (m_layout.GetHeight() - view) / range);
    ClampScroll();
}

void CEditUI::PaintScrollBar(HDC hDC)
{
    const RECT track = ScrollTrack();
    const int range = track.bottom - track.top - ThumbHeight(track);
    if (track.bottom <= track.top) {
        return;
    }
    const int overflow = std::max(1, m_layout.GetHeight() - (track.bottom - track.top));
    const int thumbTop = track.top + static_cast<int>(static_cast<long long>(range) * m_nScrollY / overflow);
    CRenderEngine::DrawColor(hDC, track, kScrollTrackColor);
    CRenderEngine::DrawColor(hDC, RECT{track.left + 1, thumbTop, track.right - 1, thumbTop + ThumbHeight(track)},
                             kScrollThumbColor);
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
    CRenderEngine::DrawRect(hDC, m_rcItem, HairlineWidth(), m_bFocused ? kFocusBorderColor : kFieldBorderColor);
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

} // namespace DuiLib

#include "platform/duilib/CDateTimeUI.h"

#include "platform/duilib/CPaintManagerUI.h"
#include "platform/duilib/CRenderEngine.h"

#include <algorithm>
#include <cstdio>
#include <cwctype>
#include <string>

namespace DuiLib {

namespace {

bool IsRealDate(int year, int month, int day)
{
    return day >= 1 && day <= CMonthCalendar::DaysInMonth(year, month);
}

std::wstring Format(const SYSTEMTIME& time)
{
    wchar_t text[16];
    std::swprintf(text, 16, L"%04u-%02u-%02u", time.wYear, time.wMonth, time.wDay);
    return text;
}

} // namespace

CDateTimeUI::CDateTimeUI() : m_sysTime(CMonthCalendar::Today()), m_edit(10, CTextEditState::Accept::Date)
{
    m_dwBackColor = 0xFFFFFFFF;
    m_rcTextPadding = RECT{4, 2, 4, 2};
}

LPCTSTR CDateTimeUI::GetClass() const { return L"DateTime"; }

SYSTEMTIME& CDateTimeUI::GetTime() { return m_sysTime; }

void CDateTimeUI::SetTime(SYSTEMTIME* time)
{
    if (time == nullptr || !IsRealDate(time->wYear, time->wMonth, time->wDay)) {
        return;
    }
    m_sysTime = SYSTEMTIME{};
    m_sysTime.wYear = time->wYear;
    m_sysTime.wMonth = time->wMonth;
    m_sysTime.wDay = time->wDay;
    CLabelUI::SetText(Format(m_sysTime).c_str());
    m_edit.Reset(m_sText.Str());
}

void CDateTimeUI::SetText(LPCTSTR text)
{
    CLabelUI::SetText(text);
    SYSTEMTIME parsed{};
    if (ParseDate(m_sText.Str(), parsed)) {
        m_sysTime = parsed;
    }
    m_edit.Reset(m_sText.Str());
}

bool CDateTimeUI::GetDate(SYSTEMTIME& time) const
{
    return ParseDate(m_sText.Str(), time);
}

bool CDateTimeUI::IsValid() const
{
    SYSTEMTIME time{};
    return m_sText.IsEmpty() || ParseDate(m_sText.Str(), time);
}

bool CDateTimeUI::ParseDate(const std::wstring& text, SYSTEMTIME& time) const
{
    std::wstring digits;
    for (wchar_t c : text) {
        if (std::iswdigit(static_cast<wint_t>(c))) {
            digits += c;
        } else if (c != L'-' && c != L'/' && c != L'.') {
            return false;
        }
    }
    const bool separated = text.size() == 10 && text[4] == text[7] && !std::iswdigit(static_cast<wint_t>(text[4]));
    if (digits.size() != 8 || (text.size() != 8 && !separated)) {
        return false;
    }
    const int year = std::stoi(digits.substr(0, 4));
    const int month = std::stoi(digits.substr(4, 2));
    const int day = std::stoi(digits.substr(6, 2));
    if (!IsRealDate(year, month, day)) {
        return false;
    }
    time = SYSTEMTIME{};
    time.wYear = static_cast<WORD>(year);
    time.wMonth = static_cast<WORD>(month);
    time.wDay = static_cast<WORD>(day);
    return true;
}

void CDateTimeUI::DoEvent(TEventUI& event)
{
    // Typing picks a date; like a date picker, the control tells only when the pick is done,
    // as the focus leaves, so half-typed dates never reach a listener.
    if ((event.Type == UIEVENT_CHAR || event.Type == UIEVENT_KEYDOWN) && IsEnabled() && m_pManager != nullptr) {
        if (CalendarKey(event)) {
            return;
        }
        std::wstring text = m_sText.Str();
        if (m_edit.Apply(event, text, *m_pManager->GetClipboard(), ::platform::GetWindowTime(m_pManager->GetPaintWindow()))) {
            TakeEditedText(text);
        }
        Invalidate();
        return;
    }
    if ((event.Type == UIEVENT_BUTTONDOWN || event.Type == UIEVENT_DBLCLICK) && IsOnDropButton(event.ptMouse)) {
        OpenCalendar();
        return;
    }
    if (event.Type == UIEVENT_BUTTONDOWN && m_pManager != nullptr) {
        m_edit.MoveTo(m_sText.Str(), *m_pManager, TextBox(), m_iFont, event.ptMouse);
        Invalidate();
        return;
    }
    if (event.Type == UIEVENT_DBLCLICK || event.Type == UIEVENT_SETFOCUS) {
        // A date is replaced whole far more often than in part: it comes selected.
        m_edit.SelectAll(m_sText.Str());
        Invalidate();
    }
    if (event.Type == UIEVENT_SETCURSOR && IsEnabled()) {
        ::SetCursor(::LoadCursor(nullptr, IsOnDropButton(event.ptMouse) ? IDC_ARROW : IDC_IBEAM));
        return;
    }
    if (event.Type == UIEVENT_KILLFOCUS && m_pManager != nullptr) {
        m_pManager->CloseDropDownOf(this);
    }
    if (event.Type == UIEVENT_KILLFOCUS && m_pManager != nullptr) {
        // The date is shown in its one form; the change of form stays in the history, so that
        // what was typed can still be taken back.
        SYSTEMTIME parsed{};
        std::wstring text = m_sText.Str();
        if (ParseDate(text, parsed)) {
            m_sysTime = parsed;
            m_edit.SelectAll(text);
            if (text != Format(parsed) &&
                m_edit.Insert(Format(parsed), TextChange::Insert, text, ::platform::GetWindowTime(m_pManager->GetPaintWindow()))) {
                m_sText = text;
            }
        }
    }
    CLabelUI::DoEvent(event);
}

bool CDateTimeUI::CalendarKey(const TEventUI& event)
{
    if (event.Type == UIEVENT_CHAR) {
        // Digits go to the open calendar's year; Enter and Backspace too while one is typed.
        const bool yearKey = (event.chKey >= L'0' && event.chKey <= L'9') || m_calendar.IsTypingYear();
        if (IsCalendarOpen() && yearKey && m_calendar.TypeYear(event.chKey)) {
            m_pManager->Invalidate(GetDropDownRect());
            return true;
        }
        return false;
    }
    const bool alt = ::GetKeyState(static_cast<int>(VK_MENU)) < 0;
    if (alt && event.wParam == VK_DOWN && !IsCalendarOpen()) {
        OpenCalendar();
        return true;
    }
    if (IsCalendarOpen() && (event.wParam == VK_ESCAPE || (alt && (event.wParam == VK_UP || event.wParam == VK_DOWN)))) {
        m_pManager->CloseDropDownOf(this);
        return true;
    }
    if (IsCalendarOpen() && (event.wParam == VK_PRIOR || event.wParam == VK_NEXT)) {
        const bool back = event.wParam == VK_PRIOR;
        if ((event.wKeyState & MK_CONTROL) != 0 ? m_calendar.ShowYearsAway(back ? -1 : 1)
            : back                             ? m_calendar.ShowPreviousMonth()
                                               : m_calendar.ShowNextMonth()) {
            m_pManager->Invalidate(GetDropDownRect());
        }
        return true;
    }
    // Keys that edit the typed year (Enter, Backspace) come as characters.
    return IsCalendarOpen() && m_calendar.IsTypingYear() && (event.wParam == VK_RETURN || event.wParam == VK_BACK);
}

RECT CDateTimeUI::TextBox() const
{
    RECT box = m_rcItem;
    box.left += Scale(m_rcTextPadding.left);
    box.top += Scale(m_rcTextPadding.top);
    box.right = std::max(box.left, DropButtonRect(m_rcItem).left);
    box.bottom = std::max(box.top, box.bottom - Scale(m_rcTextPadding.bottom));
    return box;
}

void CDateTimeUI::TakeEditedText(const std::wstring& text)
{
    m_sText = text;
    // The calendar showed the date before the change.
    if (m_pManager != nullptr) {
        m_pManager->CloseDropDownOf(this);
    }
    Invalidate();
}

void CDateTimeUI::SettleUnfocused()
{
    if (m_bFocused || m_pManager == nullptr) {
        return;
    }
    SYSTEMTIME parsed{};
    if (ParseDate(m_sText.Str(), parsed)) {
        m_sysTime = parsed;
    }
    m_pManager->SendNotify(this, DUI_MSGTYPE_KILLFOCUS);
}

bool CDateTimeUI::CanEdit(EditCommand command)
{
    const bool changes = command != EditCommand::Copy && command != EditCommand::SelectAll;
    return m_pManager != nullptr && (IsEnabled() || !changes) && m_edit.CanEdit(command, m_sText.Str(), *m_pManager->GetClipboard());
}

bool CDateTimeUI::Edit(EditCommand command)
{
    if (!CanEdit(command)) {
        return false;
    }
    std::wstring text = m_sText.Str();
    bool changed = false;
    const bool done = m_edit.Edit(command, text, *m_pManager->GetClipboard(),
                                  ::platform::GetWindowTime(m_pManager->GetPaintWindow()), changed);
    Invalidate();
    if (changed) {
        TakeEditedText(text);
        SettleUnfocused();
    }
    return done;
}

bool CDateTimeUI::InsertText(const std::wstring& text, TextChange kind)
{
    std::wstring edited = m_sText.Str();
    if (!IsEnabled() || m_pManager == nullptr ||
        !m_edit.Insert(text, kind, edited, ::platform::GetWindowTime(m_pManager->GetPaintWindow()))) {
        return false;
    }
    TakeEditedText(edited);
    SettleUnfocused();
    return true;
}

bool CDateTimeUI::PasteSelectionAt(POINT pt)
{
    std::wstring text;
    if (!IsEnabled() || m_pManager == nullptr || !m_pManager->GetClipboard()->GetSelectionText(text)) {
        return false;
    }
    m_edit.MoveTo(m_sText.Str(), *m_pManager, TextBox(), m_iFont, pt);
    return InsertText(text, TextChange::Paste);
}

bool CDateTimeUI::IsOnDropButton(POINT pt) const
{
    const RECT button = DropButtonRect(m_rcItem);
    return PtInRect(&button, pt) != FALSE;
}

bool CDateTimeUI::IsCalendarOpen() const
{
    return m_pManager != nullptr && m_pManager->GetOpenDropDown() == this;
}

void CDateTimeUI::OpenCalendar()
{
    if (!IsEnabled() || !IsVisible() || m_pManager == nullptr) {
        return;
    }
    SYSTEMTIME date{};
    m_calendar.Show(GetDate(date) ? &date : nullptr);
    m_pManager->SetOpenDropDown(this);
}

RECT CDateTimeUI::GetDropDownRect() const
{
    if (m_pManager == nullptr) {
        return RECT{};
    }
    const SIZE size = CMonthCalendar::GetSize(*m_pManager);
    const RECT client = m_pManager->ClientRect();
    // Below the field unless only the room above holds the calendar.
    const bool above = m_rcItem.bottom + size.cy > client.bottom && m_rcItem.top - size.cy >= client.top;
    const int top = above ? m_rcItem.top - size.cy : m_rcItem.bottom;
    const int left = std::max<int>(client.left, std::min<int>(m_rcItem.left, client.right - size.cx));
    return RECT{left, top, left + size.cx, top + size.cy};
}

void CDateTimeUI::PaintDropDown(HDC hDC)
{
    if (m_pManager != nullptr) {
        m_calendar.Paint(hDC, *m_pManager, GetDropDownRect(), m_iFont, m_dwTextColor);
    }
}

bool CDateTimeUI::PressDropDown(POINT pt)
{
    if (m_pManager == nullptr) {
        return true;
    }
    const RECT rc = GetDropDownRect();
    const CMonthCalendar::THit hit = m_calendar.HitTest(*m_pManager, rc, pt);
    switch (hit.part) {
    case CMonthCalendar::Part::Previous:
    case CMonthCalendar::Part::Next:
    case CMonthCalendar::Part::PreviousYear:
    case CMonthCalendar::Part::NextYear: {
        const bool turned = hit.part == CMonthCalendar::Part::Previous  ? m_calendar.ShowPreviousMonth()
                            : hit.part == CMonthCalendar::Part::Next    ? m_calendar.ShowNextMonth()
                            : hit.part == CMonthCalendar::Part::PreviousYear ? m_calendar.ShowYearsAway(-1)
                                                                             : m_calendar.ShowYearsAway(1);
        if (turned) {
            m_pManager->Invalidate(rc);
        }
        return false;
    }
    case CMonthCalendar::Part::Day: {
        SYSTEMTIME picked{};
        picked.wYear = static_cast<WORD>(m_calendar.GetYear());
        picked.wMonth = static_cast<WORD>(m_calendar.GetMonth());
        picked.wDay = static_cast<WORD>(hit.nDay);
        // The pick is a person's edit of the whole text, which Ctrl+Z takes back.
        std::wstring text = m_sText.Str();
        m_edit.SelectAll(text);
        if (m_edit.Insert(Format(picked), TextChange::Insert, text, ::platform::GetWindowTime(m_pManager->GetPaintWindow()))) {
            m_sysTime = picked;
            m_sText = text;
        }
        Invalidate();
        return true;
    }
    default:
        return false;
    }
}

void CDateTimeUI::PaintText(HDC hDC)
{
    // A field that cannot open its calendar (a display of the document, a verified report, a
    // printed page) shows no button for it.
    if (!IsEnabled() || IsPrinting()) {
        CLabelUI::PaintText(hDC);
        return;
    }
    if (m_bFocused && m_pManager != nullptr) {
        m_edit.Paint(hDC, *m_pManager, TextBox(), m_sText.Str(), m_iFont, PaintTextColor());
    } else {
        RECT text = m_rcItem;
        text.right = DropButtonRect(m_rcItem).left;
        CRenderEngine::PushClip(hDC, text);
        CLabelUI::PaintText(hDC);
        CRenderEngine::PopClip(hDC);
    }
    PaintDropButton(hDC, m_rcItem, HairlineWidth(), PaintTextColor());
}

void CDateTimeUI::PaintBkColor(HDC hDC)
{
    if (!IsPrinting()) {
        CLabelUI::PaintBkColor(hDC);
    }
}

void CDateTimeUI::PaintBorder(HDC hDC)
{
    if (IsPrinting()) {
        return;
    }
    // Text that is no date must not pass for one: its frame says so.
    if (!IsValid()) {
        CRenderEngine::DrawRect(hDC, m_rcItem, 2, 0xFFD03030);
        return;
    }
    if (m_nBorderSize > 0) {
        CLabelUI::PaintBorder(hDC);
        return;
    }
    PaintFieldFrame(hDC);
}

} // namespace DuiLib

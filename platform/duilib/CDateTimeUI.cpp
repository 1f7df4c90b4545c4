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

CDateTimeUI::CDateTimeUI() : m_sysTime(CMonthCalendar::Today()), m_edit(false, 10, CTextEditState::Accept::Date)
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
    m_edit.MoveToEnd(m_sText.Str());
}

void CDateTimeUI::SetText(LPCTSTR text)
{
    CLabelUI::SetText(text);
    SYSTEMTIME parsed{};
    if (ParseDate(m_sText.Str(), parsed)) {
        m_sysTime = parsed;
    }
    m_edit.MoveToEnd(m_sText.Str());
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
    if ((event.Type == UIEVENT_CHAR || event.Type == UIEVENT_KEYDOWN) && IsEnabled()) {
        if (event.Type == UIEVENT_KEYDOWN && CalendarKey(event)) {
            return;
        }
        std::wstring text = m_sText.Str();
        if (m_edit.Apply(event, text)) {
            m_sText = text;
            // The calendar showed the date before the change.
            if (m_pManager != nullptr) {
                m_pManager->CloseDropDownOf(this);
            }
        }
        Invalidate();
        return;
    }
    if ((event.Type == UIEVENT_BUTTONDOWN || event.Type == UIEVENT_DBLCLICK) && IsOnDropButton(event.ptMouse)) {
        OpenCalendar();
        return;
    }
    if (event.Type == UIEVENT_SETCURSOR && IsEnabled()) {
        ::SetCursor(::LoadCursor(nullptr, IsOnDropButton(event.ptMouse) ? IDC_ARROW : IDC_IBEAM));
        return;
    }
    if (event.Type == UIEVENT_KILLFOCUS && m_pManager != nullptr) {
        m_pManager->CloseDropDownOf(this);
    }
    if (event.Type == UIEVENT_KILLFOCUS) {
        SYSTEMTIME parsed{};
        if (ParseDate(m_sText.Str(), parsed)) {
            SetTime(&parsed);
        }
    }
    CLabelUI::DoEvent(event);
}

bool CDateTimeUI::CalendarKey(const TEventUI& event)
{
    const bool alt = ::GetKeyState(static_cast<int>(VK_MENU)) < 0;
    if (alt && event.wParam == VK_DOWN && !IsCalendarOpen()) {
        OpenCalendar();
        return true;
    }
    if (IsCalendarOpen() && (event.wParam == VK_ESCAPE || (alt && (event.wParam == VK_UP || event.wParam == VK_DOWN)))) {
        m_pManager->CloseDropDownOf(this);
        return true;
    }
    return false;
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
        if (hit.part == CMonthCalendar::Part::Previous ? m_calendar.ShowPreviousMonth() : m_calendar.ShowNextMonth()) {
            m_pManager->Invalidate(rc);
        }
        return false;
    case CMonthCalendar::Part::Day: {
        SYSTEMTIME picked{};
        picked.wYear = static_cast<WORD>(m_calendar.GetYear());
        picked.wMonth = static_cast<WORD>(m_calendar.GetMonth());
        picked.wDay = static_cast<WORD>(hit.nDay);
        SetTime(&picked);
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
    RECT text = m_rcItem;
    text.right = DropButtonRect(m_rcItem).left;
    CRenderEngine::PushClip(hDC, text);
    CLabelUI::PaintText(hDC);
    CRenderEngine::PopClip(hDC);
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
    CRenderEngine::DrawRect(hDC, m_rcItem, HairlineWidth(), m_bFocused ? 0xFF3C78D8 : 0xFFB0B0B0);
}

} // namespace DuiLib

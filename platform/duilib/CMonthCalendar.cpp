#include "platform/duilib/CMonthCalendar.h"

#include "platform/duilib/CPaintManagerUI.h"
#include "platform/duilib/CRenderEngine.h"

#include <algorithm>
#include <ctime>
#include <string>

namespace DuiLib {

namespace {

// The grid in design pixels.
constexpr int kPadding = 4;
constexpr int kCellWidth = 28;
constexpr int kCellHeight = 22;
constexpr int kHeaderRowHeight = 24;
constexpr int kHeaderHeight = 2 * kHeaderRowHeight;
constexpr int kWeekdayHeight = 20;
constexpr int kColumns = 7;
constexpr int kRows = 6;
constexpr int kChevron = 4;

constexpr DWORD kBackColor = 0xFFFFFFFF;
constexpr DWORD kFrameColor = 0xFFB0B0B0;
constexpr DWORD kWeekdayColor = 0xFF707070;
constexpr DWORD kChosenColor = 0xFF3C78D8;
constexpr DWORD kChosenTextColor = 0xFFFFFFFF;

constexpr unsigned kCentred = DT_CENTER | DT_VCENTER | DT_SINGLELINE;

const wchar_t* const kMonthNames[] = {L"January", L"February", L"March",     L"April",   L"May",      L"June",
                                      L"July",    L"August",   L"September", L"October", L"November", L"December"};
const wchar_t* const kWeekdayInitials[] = {L"M", L"T", L"W", L"T", L"F", L"S", L"S"};

// 0 for Sunday to 6 for Saturday, in the proleptic Gregorian calendar.
int DayOfWeek(int year, int month, int day)
{
    static const int kMonthOffsets[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (month < 3) {
        --year;
    }
    return (year + year / 4 - year / 100 + year / 400 + kMonthOffsets[month - 1] + day) % 7;
}

bool IsDate(const SYSTEMTIME& time)
{
    return time.wDay >= 1 && time.wDay <= CMonthCalendar::DaysInMonth(time.wYear, time.wMonth);
}

bool IsDay(const SYSTEMTIME& time, int year, int month, int day)
{
    return time.wYear == year && time.wMonth == month && time.wDay == day;
}

void PaintChevron(HDC hDC, const RECT& rc, int half, int lineWidth, DWORD color, bool pointsLeft, int shift = 0)
{
    const int cx = (rc.left + rc.right) / 2 + shift;
    const int cy = (rc.top + rc.bottom) / 2;
    const int tip = pointsLeft ? cx - half / 2 : cx + half / 2;
    const int tail = pointsLeft ? cx + half / 2 : cx - half / 2;
    CRenderEngine::DrawLine(hDC, tail, cy - half, tip, cy, lineWidth, color);
    CRenderEngine::DrawLine(hDC, tip, cy, tail, cy + half, lineWidth, color);
}

} // namespace

int CMonthCalendar::DaysInMonth(int year, int month)
{
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || year > 9999 || month < 1 || month > 12) {
        return 0;
    }
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

SYSTEMTIME CMonthCalendar::Today()
{
    SYSTEMTIME today{};
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local) != nullptr) {
        today.wYear = static_cast<WORD>(local.tm_year + 1900);
        today.wMonth = static_cast<WORD>(local.tm_mon + 1);
        today.wDay = static_cast<WORD>(local.tm_mday);
    }
    return today;
}

void CMonthCalendar::Show(const SYSTEMTIME* chosen)
{
    m_today = Today();
    m_chosen = chosen != nullptr && IsDate(*chosen) ? *chosen : SYSTEMTIME{};
    const SYSTEMTIME& shown = m_chosen.wYear != 0 ? m_chosen : m_today;
    // A clock outside the calendar leaves the grid on a month it can show.
    m_nYear = IsDate(shown) ? shown.wYear : 2000;
    m_nMonth = IsDate(shown) ? shown.wMonth : 1;
    m_sTypedYear.clear();
}

bool CMonthCalendar::ShowPreviousMonth()
{
    if (m_nMonth == 1 && m_nYear == 1) {
        return false;
    }
    m_nYear -= m_nMonth == 1 ? 1 : 0;
    m_nMonth = m_nMonth == 1 ? 12 : m_nMonth - 1;
    return true;
}

bool CMonthCalendar::ShowNextMonth()
{
    if (m_nMonth == 12 && m_nYear == 9999) {
        return false;
    }
    m_nYear += m_nMonth == 12 ? 1 : 0;
    m_nMonth = m_nMonth == 12 ? 1 : m_nMonth + 1;
    return true;
}

bool CMonthCalendar::ShowYearsAway(int years)
{
    const int year = std::clamp(m_nYear + years, 1, 9999);
    m_sTypedYear.clear();
    if (year == m_nYear) {
        return false;
    }
    m_nYear = year;
    return true;
}

bool CMonthCalendar::TypeYear(wchar_t c)
{
    if (c >= L'0' && c <= L'9') {
        m_sTypedYear += c;
    } else if (c == L'\b' && !m_sTypedYear.empty()) {
        m_sTypedYear.pop_back();
        return true;
    } else if (c != L'\r' || m_sTypedYear.empty()) {
        return false;
    }
    if (m_sTypedYear.size() == 4 || c == L'\r') {
        const int year = std::stoi(m_sTypedYear);
        m_sTypedYear.clear();
        if (year >= 1) {
            m_nYear = year;
        }
    }
    return true;
}

SIZE CMonthCalendar::GetSize(const CPaintManagerUI& manager)
{
    return SIZE{manager.Scale(2 * kPadding + kColumns * kCellWidth),
                manager.Scale(2 * kPadding + kHeaderHeight + kWeekdayHeight + kRows * kCellHeight)};
}

RECT CMonthCalendar::CellRect(const CPaintManagerUI& manager, const RECT& rc, int index)
{
    const int column = index % kColumns;
    const int top = kPadding + kHeaderHeight + kWeekdayHeight + index / kColumns * kCellHeight;
    return RECT{rc.left + manager.Scale(kPadding + column * kCellWidth), rc.top + manager.Scale(top),
                rc.left + manager.Scale(kPadding + (column + 1) * kCellWidth), rc.top + manager.Scale(top + kCellHeight)};
}

RECT CMonthCalendar::HeaderButtonRect(const CPaintManagerUI& manager, const RECT& rc, int row, bool right)
{
    const int left = right ? kPadding + (kColumns - 1) * kCellWidth : kPadding;
    const int top = kPadding + row * kHeaderRowHeight;
    return RECT{rc.left + manager.Scale(left), rc.top + manager.Scale(top), rc.left + manager.Scale(left + kCellWidth),
                rc.top + manager.Scale(top + kHeaderRowHeight)};
}

int CMonthCalendar::LeadingCells() const
{
    return (DayOfWeek(m_nYear, m_nMonth, 1) + kColumns - 1) % kColumns;
}

CMonthCalendar::THit CMonthCalendar::HitTest(const CPaintManagerUI& manager, const RECT& rc, POINT pt) const
{
    const Part buttons[2][2] = {{Part::Previous, Part::Next}, {Part::PreviousYear, Part::NextYear}};
    for (int row = 0; row < 2; ++row) {
        for (bool right : {false, true}) {
            const RECT button = HeaderButtonRect(manager, rc, row, right);
            if (PtInRect(&button, pt)) {
                return THit{buttons[row][right ? 1 : 0], 0};
            }
        }
    }
    const int lead = LeadingCells();
    const int days = DaysInMonth(m_nYear, m_nMonth);
    for (int day = 1; day <= days; ++day) {
        const RECT cell = CellRect(manager, rc, lead + day - 1);
        if (PtInRect(&cell, pt)) {
            return THit{Part::Day, day};
        }
    }
    return THit{};
}

void CMonthCalendar::Paint(HDC hDC, CPaintManagerUI& manager, const RECT& rc, int font, DWORD textColor) const
{
    const int line = std::max(1, manager.Scale(1));
    CRenderEngine::DrawColor(hDC, rc, kBackColor);
    PaintHeader(hDC, manager, rc, font, textColor);
    PaintDays(hDC, manager, rc, font, textColor);
    CRenderEngine::DrawRect(hDC, rc, line, kFrameColor);
}

void CMonthCalendar::PaintHeader(HDC hDC, CPaintManagerUI& manager, const RECT& rc, int font, DWORD textColor) const
{
    const int line = std::max(1, manager.Scale(1));
    const int chevron = manager.Scale(kChevron);
    for (int row = 0; row < 2; ++row) {
        const RECT previous = HeaderButtonRect(manager, rc, row, false);
        const RECT next = HeaderButtonRect(manager, rc, row, true);
        // The year's buttons show double chevrons: they go further.
        const int spread = row == 0 ? 0 : chevron / 2;
        for (int shift : {-spread, spread}) {
            PaintChevron(hDC, previous, chevron, line, textColor, true, shift);
            PaintChevron(hDC, next, chevron, line, textColor, false, shift);
        }
        const std::wstring title = row == 0                 ? std::wstring(kMonthNames[m_nMonth - 1])
                                   : m_sTypedYear.empty() ? std::to_wstring(m_nYear)
                                                          : m_sTypedYear + L"_";
        const RECT header{previous.right, previous.top, next.left, previous.bottom};
        CRenderEngine::DrawText(hDC, &manager, header, title.c_str(), row == 1 && !m_sTypedYear.empty() ? kChosenColor : textColor,
                                font, kCentred);
    }
    for (int column = 0; column < kColumns; ++column) {
        RECT initial = CellRect(manager, rc, column);
        initial.bottom = initial.top;
        initial.top -= manager.Scale(kWeekdayHeight);
        CRenderEngine::DrawText(hDC, &manager, initial, kWeekdayInitials[column], kWeekdayColor, font, kCentred);
    }
}

void CMonthCalendar::PaintDays(HDC hDC, CPaintManagerUI& manager, const RECT& rc, int font, DWORD textColor) const
{
    const int line = std::max(1, manager.Scale(1));
    const int lead = LeadingCells();
    const int days = DaysInMonth(m_nYear, m_nMonth);
    for (int day = 1; day <= days; ++day) {
        const RECT cell = CellRect(manager, rc, lead + day - 1);
        const bool chosen = IsDay(m_chosen, m_nYear, m_nMonth, day);
        if (chosen) {
            CRenderEngine::DrawColor(hDC, cell, kChosenColor);
        } else if (IsDay(m_today, m_nYear, m_nMonth, day)) {
            CRenderEngine::DrawRect(hDC, cell, line, kChosenColor);
        }
        CRenderEngine::DrawText(hDC, &manager, cell, std::to_wstring(day).c_str(), chosen ? kChosenTextColor : textColor,
                                font, kCentred);
    }
}

} // namespace DuiLib

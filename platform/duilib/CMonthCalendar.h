#pragma once

#include "platform/win32/WinGdi.h"

#include <string>

namespace DuiLib {

class CPaintManagerUI;

// The month grid of a date field's drop-down: a header with the month between buttons to the
// previous and next month and the year between buttons to the previous and next year (a typed
// year shows there until it is taken), the weekdays' initials (weeks start on Monday, as in the ISO
// dates the field shows), and six rows of the month's days, the chosen date highlighted and
// today framed. It keeps which month it shows; where it lies (a rectangle of GetSize()) is its
// owner's to say, and sizes follow the paint manager's zoom ratio.
class CMonthCalendar {
public:
    // What a point of the grid falls on.
    enum class Part { None, Previous, Next, PreviousYear, NextYear, Day };
    struct THit {
        Part part = Part::None;
        int nDay = 0;  // the day of the shown month, for Part::Day
    };

    // Shows the month of `chosen` with that day highlighted, or, without a chosen date (null or
    // a date that does not exist), the current month with none highlighted.
    void Show(const SYSTEMTIME* chosen);
    int GetYear() const { return m_nYear; }
    int GetMonth() const { return m_nMonth; }
    // Moves to the previous or next month; false, with nothing changed, before year 1 or after
    // year 9999.
    bool ShowPreviousMonth();
    bool ShowNextMonth();
    // Moves by `years`, keeping the month, within years 1 to 9999; false when nothing changed.
    bool ShowYearsAway(int years);
    // Handles a year being typed: a digit adds to it (four digits show that year), Backspace
    // takes one back, Enter shows the year typed so far; true when the key was the year's.
    bool TypeYear(wchar_t c);
    bool IsTypingYear() const { return !m_sTypedYear.empty(); }

    static SIZE GetSize(const CPaintManagerUI& manager);
    THit HitTest(const CPaintManagerUI& manager, const RECT& rc, POINT pt) const;
    void Paint(HDC hDC, CPaintManagerUI& manager, const RECT& rc, int font, DWORD textColor) const;

    // 28, 29, 30 or 31; 0 for a month or year outside the calendar (years 1 to 9999).
    static int DaysInMonth(int year, int month);
    // The local date of the clock; all zero when the clock cannot be read.
    static SYSTEMTIME Today();

private:
    // The cell of grid position `index` (0 to 41, row by row, Monday first).
    static RECT CellRect(const CPaintManagerUI& manager, const RECT& rc, int index);
    // The buttons at the left and right ends of header row `row` (0: month, 1: year).
    static RECT HeaderButtonRect(const CPaintManagerUI& manager, const RECT& rc, int row, bool right);
    // Grid positions before the first of the shown month.
    int LeadingCells() const;
    void PaintHeader(HDC hDC, CPaintManagerUI& manager, const RECT& rc, int font, DWORD textColor) const;
    void PaintDays(HDC hDC, CPaintManagerUI& manager, const RECT& rc, int font, DWORD textColor) const;

    int m_nYear = 1;
    int m_nMonth = 1;
    SYSTEMTIME m_chosen{};  // wYear 0 without a chosen date
    SYSTEMTIME m_today{};
    std::wstring m_sTypedYear;
};

} // namespace DuiLib

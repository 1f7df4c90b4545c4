#pragma once

#include "platform/duilib/CMonthCalendar.h"
#include "platform/duilib/CTextEditState.h"
#include "platform/duilib/IDropDownUI.h"
#include "platform/duilib/UILabel.h"

namespace DuiLib {

// A date field. It shows its date as YYYY-MM-DD, or nothing when its text is empty (no date).
// A person types a date (digits and - / . separators); the whole date is selected when the
// field takes the focus, Ctrl+A selects it again, typed digits replace the selection, and
// Ctrl+Z and Ctrl+Y undo and redo (a date from the program clears that history); when the field
// loses the focus the text
// is read as a date (YYYY-MM-DD, YYYY/MM/DD, YYYY.MM.DD or YYYYMMDD): a real date becomes the
// shown date, empty text means no date, and other text stays as typed, marked as no date (a red
// frame), until it is corrected. Only then is "killfocus" sent; typing itself sends nothing.
//
// The button at the field's right end, or Alt+Down, opens a calendar of the field's month (of
// today's without a date) below the field, or above it when the window has no room below. Its
// buttons, or PageUp and PageDown (with Ctrl: by year), turn it by month and by year; digits
// typed while it is open go to its year (four digits, or fewer and Enter, show that year). A
// click on a day sets the date, as typing it would, and closes the calendar; Escape, Alt+Up, a
// click elsewhere, other typing, and the field losing the focus or leaving the page close it
// without a change. A disabled field never opens it.
class SRCTRL_API CDateTimeUI : public CLabelUI, public IDropDownUI, public ITextEditUI {
public:
    CDateTimeUI();
    LPCTSTR GetClass() const override;
    bool IsFocusable() const override { return IsEnabled(); }
    void DoEvent(TEventUI& event) override;
    // Text that reads as a date also sets the date.
    void SetText(LPCTSTR text) override;

    // The shown date (the current date before any was set). Only year, month and day are kept.
    SYSTEMTIME& GetTime();
    // Shows the date; null or a date that does not exist changes nothing.
    void SetTime(SYSTEMTIME* time);
    // The date that the text reads as; false for empty text and for text that is no real date.
    bool GetDate(SYSTEMTIME& time) const;
    // True when the text is empty or reads as a real date.
    bool IsValid() const;

    // The calendar.
    CControlUI* GetDropDownOwner() override { return this; }
    RECT GetDropDownRect() const override;
    void PaintDropDown(HDC hDC) override;
    // Turns the month, or picks a day.
    bool PressDropDown(POINT pt) override;

    // ITextEditUI. A change made while the field has no focus (from a menu) is told as leaving
    // it would tell it.
    bool CanEdit(EditCommand command) override;
    bool Edit(EditCommand command) override;
    bool InsertText(const std::wstring& text, TextChange kind) override;
    bool PasteSelectionAt(POINT pt) override;
    RECT GetCaretRect() override { return m_rcItem; }

protected:
    // The text, kept clear of the drop button, and the button; paper shows the text alone.
    void PaintBkColor(HDC hDC) override;
    void PaintText(HDC hDC) override;
    void PaintBorder(HDC hDC) override;

private:
    bool ParseDate(const std::wstring& text, SYSTEMTIME& time) const;
    void OpenCalendar();
    bool IsCalendarOpen() const;
    // A key while the field has the focus; true when the calendar took it.
    bool CalendarKey(const TEventUI& event);
    bool IsOnDropButton(POINT pt) const;
    // The text's box: inside the padding, clear of the drop button.
    RECT TextBox() const;
    // Takes a text a person's edit made: the open calendar, which showed the date before, closes.
    void TakeEditedText(const std::wstring& text);
    // After an edit from outside the field's focus: reads the date and tells, as leaving does.
    void SettleUnfocused();

    SYSTEMTIME m_sysTime{};
    CMonthCalendar m_calendar;
    CTextEditState m_edit;
};

} // namespace DuiLib

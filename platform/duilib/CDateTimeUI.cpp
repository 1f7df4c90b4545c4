#include "platform/duilib/CDateTimeUI.h"

#include "platform/duilib/CPaintManagerUI.h"
#include "platform/duilib/CRenderEngine.h"

#include <cstdio>
#include <ctime>
#include <cwctype>
#include <string>

namespace DuiLib {

namespace {

bool IsRealDate(int year, int month, int day)
{
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) {
        return false;
    }
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

std::wstring Format(const SYSTEMTIME& time)
{
    wchar_t text[16];
    std::swprintf(text, 16, L"%04u-%02u-%02u", time.wYear, time.wMonth, time.wDay);
    return text;
}

} // namespace

CDateTimeUI::CDateTimeUI() : m_edit(false, 10, CTextEditState::Accept::Date)
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local) != nullptr) {
        m_sysTime.wYear = static_cast<WORD>(local.tm_year + 1900);
        m_sysTime.wMonth = static_cast<WORD>(local.tm_mon + 1);
        m_sysTime.wDay = static_cast<WORD>(local.tm_mday);
    }
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
        std::wstring text = m_sText.Str();
        if (m_edit.Apply(event, text)) {
            m_sText = text;
        }
        Invalidate();
        return;
    }
    if (event.Type == UIEVENT_SETCURSOR && IsEnabled()) {
        ::SetCursor(::LoadCursor(nullptr, IDC_IBEAM));
        return;
    }
    if (event.Type == UIEVENT_KILLFOCUS) {
        SYSTEMTIME parsed{};
        if (ParseDate(m_sText.Str(), parsed)) {
            SetTime(&parsed);
        }
    }
    CLabelUI::DoEvent(event);
}

void CDateTimeUI::PaintBorder(HDC hDC)
{
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

#pragma once

#include "platform/Export.h"
#include "platform/kmbase/KMString.h"
#include "platform/win32/WinDef.h"

#include <string>

// A calendar date.
struct KMDcmDate {
    int nYear = 0;
    int nMonth = 0;
    int nDay = 0;
};

// An age as DICOM writes it (value representation AS): a number of days, weeks, months or
// years. The empty age (unit 0) stands for an age that could not be read; it formats to empty
// texts.
struct KMDcmAge {
    int nNumber = 0;
    char cUnit = 0;
};

// Conversions between DICOM text and dates and ages. Each gives false for input it cannot
// convert; an age or text output then holds the empty value (empty age, empty text), never a
// stale one. Unit texts are "D", "W", "M" and "Y".
class SRCTRL_API KMDcmConvert {
public:
    // DA text (YYYYMMDD, trailing spaces allowed) of a real calendar date, years 1 to 9999.
    // A failed conversion leaves `date` unchanged.
    static bool Convert(const char* text, KMDcmDate& date);
    static bool Convert(const KMDcmDate& date, KMString& text);

    // AS text: three digits and a unit, such as "045Y" (surrounding spaces allowed).
    static bool Convert(const char* text, KMDcmAge& age);
    // Number without leading zeros ("45") and unit ("Y").
    static bool Convert(const KMDcmAge& age, KMString& number, KMString& unit);
    // Number of 0 to 999 (digits, surrounding spaces allowed) and a unit text.
    static bool Convert(const char* number, const char* unit, KMDcmAge& age);
    static bool Convert(const KMDcmAge& age, KMString& text);

    // A person name (PN) as people read it: components in reading order, empty ones dropped;
    // the alphabetic group given name first, the ideographic and phonetic groups family name
    // first, the groups after the first present one in parentheses: "Yamada^Tarou=山田^太郎"
    // reads "Tarou Yamada (山田 太郎)". A name of separators only reads as the empty text.
    static std::wstring FormatPersonName(const std::wstring& value);
    // What a person typed as a name, as DICOM writes a person name (PN), so that FormatPersonName
    // gives the text back: text with DICOM's separators (^ or =) as it is; "Family, Given Middle";
    // otherwise the words as the alphabetic group reads ("Given Middle Family"), then ideographic
    // and phonetic groups in parentheses, separated by ", ", each family name first: "Tarou
    // Yamada (山田 太郎)" gives "Yamada^Tarou=山田^太郎".
    static std::wstring ParsePersonName(const std::wstring& typed);

    // The value of element `tag` as a person reads it, by the element's value representation in
    // the DICOM dictionary (the report author's private tag is a person name): person names as
    // FormatPersonName gives them (several, separated by backslashes, joined by "; "), dates as YYYY-MM-DD, times as HH:MM, date-times as "YYYY-MM-DD HH:MM". Other
    // values, and values that do not read as their representation says, come back as they are.
    static std::wstring ToDisplayText(srctrl::DWORD tag, const std::wstring& value);
};

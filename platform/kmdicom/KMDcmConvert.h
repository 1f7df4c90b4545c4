#pragma once

#include "platform/Export.h"
#include "platform/kmbase/KMString.h"

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
};

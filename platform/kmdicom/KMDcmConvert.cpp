#include "platform/kmdicom/KMDcmConvert.h"

#include "platform/kmdicom/KMDcmText.h"

#include <cstdio>
#include <string>

namespace {

std::string Trimmed(const char* text)
{
    return KMDcmText::Trimmed(text != nullptr ? text : "");
}

bool AllDigits(const std::string& s)
{
    return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos;
}

bool IsUnit(char c)
{
    return c == 'D' || c == 'W' || c == 'M' || c == 'Y';
}

bool IsValid(const KMDcmAge& age)
{
    return IsUnit(age.cUnit) && age.nNumber >= 0 && age.nNumber <= 999;
}

bool IsValid(const KMDcmDate& date)
{
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (date.nYear < 1 || date.nYear > 9999 || date.nMonth < 1 || date.nMonth > 12 || date.nDay < 1) {
        return false;
    }
    const bool leap = (date.nYear % 4 == 0 && date.nYear % 100 != 0) || date.nYear % 400 == 0;
    const int days = kDays[date.nMonth - 1] + (date.nMonth == 2 && leap ? 1 : 0);
    return date.nDay <= days;
}

} // namespace

bool KMDcmConvert::Convert(const char* text, KMDcmDate& date)
{
    std::string s = text != nullptr ? text : "";
    s.erase(s.find_last_not_of(' ') + 1);
    if (s.size() != 8 || !AllDigits(s)) {
        return false;
    }
    KMDcmDate read;
    read.nYear = std::stoi(s.substr(0, 4));
    read.nMonth = std::stoi(s.substr(4, 2));
    read.nDay = std::stoi(s.substr(6, 2));
    if (!IsValid(read)) {
        return false;
    }
    date = read;
    return true;
}

bool KMDcmConvert::Convert(const KMDcmDate& date, KMString& text)
{
    if (!IsValid(date)) {
        text = "";
        return false;
    }
    char buffer[16];
    std::snprintf(buffer, sizeof(buffer), "%04d%02d%02d", date.nYear, date.nMonth, date.nDay);
    text = buffer;
    return true;
}

bool KMDcmConvert::Convert(const char* text, KMDcmAge& age)
{
    const std::string s = Trimmed(text);
    age = KMDcmAge();
    if (s.size() != 4 || !AllDigits(s.substr(0, 3)) || !IsUnit(s[3])) {
        return false;
    }
    age.nNumber = std::stoi(s.substr(0, 3));
    age.cUnit = s[3];
    return true;
}

bool KMDcmConvert::Convert(const KMDcmAge& age, KMString& number, KMString& unit)
{
    if (!IsValid(age)) {
        number = "";
        unit = "";
        return false;
    }
    number = std::to_string(age.nNumber);
    unit = std::string(1, age.cUnit);
    return true;
}

bool KMDcmConvert::Convert(const char* number, const char* unit, KMDcmAge& age)
{
    const std::string digits = Trimmed(number);
    const std::string unitText = Trimmed(unit);
    age = KMDcmAge();
    if (!AllDigits(digits) || unitText.size() != 1 || !IsUnit(unitText[0])) {
        return false;
    }
    const size_t significant = digits.find_first_not_of('0');
    if (significant != std::string::npos && digits.size() - significant > 3) {
        return false;
    }
    age.nNumber = significant == std::string::npos ? 0 : std::stoi(digits.substr(significant));
    age.cUnit = unitText[0];
    return true;
}

bool KMDcmConvert::Convert(const KMDcmAge& age, KMString& text)
{
    if (!IsValid(age)) {
        text = "";
        return false;
    }
    char buffer[8];
    std::snprintf(buffer, sizeof(buffer), "%03d%c", age.nNumber, age.cUnit);
    text = buffer;
    return true;
}

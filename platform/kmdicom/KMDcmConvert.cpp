#include "platform/kmdicom/KMDcmConvert.h"

#include "platform/kmdicom/KMDcmTags.h"
#include "platform/kmdicom/KMDcmText.h"

#include <dcmtk/dcmdata/dcdeftag.h>
#include <dcmtk/dcmdata/dctag.h>
#include <dcmtk/dcmdata/dcvrpn.h>

#include <cstdio>
#include <string>
#include <vector>

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

namespace {

bool AllDigits(const std::string& text, size_t from, size_t count)
{
    if (text.size() < from + count) {
        return false;
    }
    for (size_t i = from; i < from + count; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return false;
        }
    }
    return true;
}

// "YYYY-MM-DD" of the first eight characters, when they are a real date.
bool FormatDate(const std::string& text, std::string& shown)
{
    KMDcmDate date;
    if (!AllDigits(text, 0, 8) || !KMDcmConvert::Convert(text.substr(0, 8).c_str(), date)) {
        return false;
    }
    shown = text.substr(0, 4) + "-" + text.substr(4, 2) + "-" + text.substr(6, 2);
    return true;
}

// "HH:MM" of a TM value that starts with hours and minutes.
bool FormatTime(const std::string& text, std::string& shown)
{
    if (!AllDigits(text, 0, 4) || std::stoi(text.substr(0, 2)) > 23 || std::stoi(text.substr(2, 2)) > 59) {
        return false;
    }
    shown = text.substr(0, 2) + ":" + text.substr(2, 2);
    return true;
}

} // namespace

namespace {

// Whether a name is written in Chinese, Japanese or Korean script (Han, kana, Hangul), whose
// readers put the family name first whichever component group holds it.
bool IsEastAsian(const std::wstring& text)
{
    for (const wchar_t c : text) {
        const auto code = static_cast<unsigned long>(c);
        if ((code >= 0x3040 && code <= 0x30FF) || (code >= 0x3400 && code <= 0x9FFF) || (code >= 0xAC00 && code <= 0xD7AF) ||
            (code >= 0x1100 && code <= 0x11FF) || (code >= 0xF900 && code <= 0xFAFF) || (code >= 0x20000 && code <= 0x3134F)) {
            return true;
        }
    }
    return false;
}

} // namespace

std::wstring KMDcmConvert::FormatPersonName(const std::wstring& value)
{
    // Each component group as its readers write it: the alphabetic one given name first, as
    // DCMTK formats it, unless it is written in an East Asian script; the ideographic and
    // phonetic ones family name first, as in Chinese, Japanese and Korean. The first group
    // present leads and the others follow in parentheses.
    const std::string text = KMDcmText::Trimmed(KMString::ToUtf8(value));
    std::vector<std::string> groups;
    for (unsigned group = 0; group < 3; ++group) {
        OFString last, first, middle, prefix, suffix, formatted;
        if (DcmPersonName::getNameComponentsFromString(text.c_str(), last, first, middle, prefix, suffix, group).bad()) {
            continue;
        }
        if (group == 0 && !IsEastAsian(KMString::ToWide(last.c_str())) && !IsEastAsian(KMString::ToWide(first.c_str()))) {
            DcmPersonName::getFormattedNameFromComponents(last, first, middle, prefix, suffix, formatted);
        } else {
            for (const OFString* part : {&prefix, &last, &first, &middle, &suffix}) {
                if (!part->empty()) {
                    formatted += (formatted.empty() ? "" : " ") + *part;
                }
            }
        }
        if (!formatted.empty()) {
            groups.emplace_back(formatted.c_str());
        }
    }
    std::string shown = groups.empty() ? std::string() : groups.front();
    for (size_t i = 1; i < groups.size(); ++i) {
        shown += (i == 1 ? " (" : ", ") + groups[i];
    }
    if (groups.size() > 1) {
        shown += ")";
    }
    return KMString::ToWide(shown);
}

namespace {

std::vector<std::wstring> Words(const std::wstring& text)
{
    std::vector<std::wstring> words;
    size_t start = 0;
    while ((start = text.find_first_not_of(L" \t", start)) != std::wstring::npos) {
        const size_t end = text.find_first_of(L" \t", start);
        words.push_back(text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start));
        start = end;
    }
    return words;
}

std::wstring Joined(const std::vector<std::wstring>& words, size_t first, size_t last)
{
    std::wstring text;
    for (size_t i = first; i < last; ++i) {
        text += (i == first ? L"" : L" ") + words[i];
    }
    return text;
}

// Family, given and middle name as DICOM writes them, without empty components at the end.
std::wstring Components(const std::wstring& family, const std::wstring& given, const std::wstring& middle)
{
    std::wstring name = family + L"^" + given + L"^" + middle;
    while (!name.empty() && name.back() == L'^') {
        name.pop_back();
    }
    return name;
}

std::wstring FamilyFirstGroup(const std::wstring& text)
{
    const std::vector<std::wstring> words = Words(text);
    return Components(words.empty() ? L"" : words[0], words.size() > 1 ? words[1] : L"", Joined(words, 2, words.size()));
}

// A name typed as people write it: given name first, or "Family, Given Middle"; a name in an
// East Asian script family name first, as FormatPersonName shows it.
std::wstring AlphabeticGroup(const std::wstring& text)
{
    if (IsEastAsian(text)) {
        return FamilyFirstGroup(text);
    }
    const size_t comma = text.find(L',');
    if (comma != std::wstring::npos) {
        const std::vector<std::wstring> family = Words(text.substr(0, comma));
        const std::vector<std::wstring> rest = Words(text.substr(comma + 1));
        return Components(Joined(family, 0, family.size()), rest.empty() ? L"" : rest[0], Joined(rest, 1, rest.size()));
    }
    const std::vector<std::wstring> words = Words(text);
    if (words.size() < 2) {
        return words.empty() ? std::wstring() : words[0];
    }
    return Components(words.back(), words.front(), Joined(words, 1, words.size() - 1));
}

} // namespace

std::wstring KMDcmConvert::ParsePersonName(const std::wstring& typed)
{
    const std::wstring text = KMString::ToWide(KMDcmText::Trimmed(KMString::ToUtf8(typed)));
    if (text.find_first_of(L"^=") != std::wstring::npos) {
        return text;
    }
    const size_t open = text.rfind(L" (");
    if (open == std::wstring::npos || text.back() != L')') {
        return AlphabeticGroup(text);
    }
    std::wstring name = AlphabeticGroup(text.substr(0, open));
    const std::wstring others = text.substr(open + 2, text.size() - open - 3);
    size_t start = 0;
    for (size_t end; start <= others.size(); start = end + 2) {
        end = others.find(L", ", start);
        end = end == std::wstring::npos ? others.size() : end;
        name += L"=" + FamilyFirstGroup(others.substr(start, end - start));
        if (end == others.size()) {
            break;
        }
    }
    return name;
}

namespace {

// Every name of a value of several (separated by backslashes), as people read them, joined by
// "; ".
std::wstring FormatPersonNames(const std::wstring& value)
{
    std::wstring shown;
    size_t start = 0;
    for (size_t end; start <= value.size(); start = end + 1) {
        end = value.find(L'\\', start);
        end = end == std::wstring::npos ? value.size() : end;
        const std::wstring name = KMDcmConvert::FormatPersonName(value.substr(start, end - start));
        shown += name.empty() || shown.empty() ? name : L"; " + name;
        if (end == value.size()) {
            break;
        }
    }
    return shown;
}

} // namespace

std::wstring KMDcmConvert::ToDisplayText(DWORD tag, const std::wstring& value)
{
    if (tag == KMDcmTag::ReportAuthorObserverName) {
        return FormatPersonNames(value);
    }
    const DcmTag key(static_cast<Uint16>(tag >> 16), static_cast<Uint16>(tag & 0xFFFF));
    const std::string text = KMDcmText::Trimmed(KMString::ToUtf8(value));
    std::string shown;
    bool formatted = false;
    switch (key.getEVR()) {
    case EVR_PN: return FormatPersonNames(value);
    case EVR_DA: formatted = FormatDate(text, shown); break;
    case EVR_TM: formatted = FormatTime(text, shown); break;
    case EVR_DT: {
        std::string time;
        formatted = FormatDate(text, shown);
        if (formatted && text.size() > 8) {
            formatted = FormatTime(text.substr(8), time);
            shown += " " + time;
        }
        break;
    }
    default: break;
    }
    return formatted ? KMString::ToWide(shown) : value;
}

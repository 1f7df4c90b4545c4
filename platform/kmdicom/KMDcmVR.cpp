#include "platform/kmdicom/KMDcmVR.h"

#include "platform/kmbase/KMString.h"

#include <dcmtk/dcmdata/dcdict.h>
#include <dcmtk/dcmdata/dcdicent.h>
#include <dcmtk/dcmdata/dctk.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string_view>
#include <type_traits>
#include <vector>

namespace {

constexpr DWORD kSpecificCharacterSet = 0x00080005;
// A VR without extended length encoding keeps the length of the whole element in 16 bits.
constexpr size_t kMaxShortElementBytes = 0xFFFE;

bool IsDigit(unsigned long c) { return c >= '0' && c <= '9'; }
bool IsIn(unsigned long c, const char* set) { return c < 0x80 && c != 0 && std::strchr(set, static_cast<int>(c)) != nullptr; }
bool IsControl(unsigned long c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }
// Printable ASCII or the line and tab controls free text allows. Branch-free over the
// characters, so that the compiler may test them together.
bool IsPlainText(std::wstring_view text)
{
    bool plain = true;
    for (wchar_t c : text) {
        const auto code = static_cast<uint32_t>(c);
        plain &= (code - 0x20u < 0x5Fu) | (code == '\n') | (code == '\r') | (code == '\t') | (code == '\f');
    }
    return plain;
}
bool IsUnicodeScalar(unsigned long c) { return c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF); }

// Texts in which a backslash is an ordinary character and only one value exists.
bool IsSingleValuedText(DcmEVR vr)
{
    return vr == EVR_LT || vr == EVR_ST || vr == EVR_UT || vr == EVR_UR;
}

// Range of the VRs that store numbers in binary but take them as text here; false for others.
bool IntegerRange(DcmEVR vr, long long& low, long long& high)
{
    switch (vr) {
    case EVR_US: low = 0; high = std::numeric_limits<Uint16>::max(); return true;
    case EVR_SS: low = std::numeric_limits<Sint16>::min(); high = std::numeric_limits<Sint16>::max(); return true;
    // Either US or SS, depending on Pixel Representation: anything that one of them holds.
    case EVR_xs: low = std::numeric_limits<Sint16>::min(); high = std::numeric_limits<Uint16>::max(); return true;
    case EVR_UL: low = 0; high = std::numeric_limits<Uint32>::max(); return true;
    case EVR_SL: case EVR_IS:
        low = std::numeric_limits<Sint32>::min();
        high = std::numeric_limits<Sint32>::max();
        return true;
    default: return false;
    }
}

size_t DecimalWidth(long long number)
{
    return std::to_string(number).size();
}

// The most characters of one value. DCMTK's own limits for DA and TM still admit the old
// ACR-NEMA forms ("1993.08.22", "07:12:34"), which DICOM no longer allows.
size_t MaxLengthOf(DcmEVR vr)
{
    long long low = 0;
    long long high = 0;
    if (vr != EVR_IS && IntegerRange(vr, low, high)) {
        return std::max(DecimalWidth(low), DecimalWidth(high));
    }
    switch (vr) {
    case EVR_DA: return 8;
    case EVR_TM: return 14;
    case EVR_FL: case EVR_FD: return 0;
    default: return DcmVR(vr).getMaxValueLength();
    }
}

const char* GrammarFault(DcmEVR vr)
{
    switch (vr) {
    case EVR_AS: return "not an age (nnnD, nnnW, nnnM or nnnY)";
    case EVR_DA: return "not a date (YYYYMMDD)";
    case EVR_DT: return "not a date and time (YYYYMMDDHHMMSS.FFFFFF&ZZXX)";
    case EVR_TM: return "not a time (HHMMSS.FFFFFF)";
    case EVR_DS: case EVR_FL: case EVR_FD: return "not a decimal number";
    case EVR_IS: case EVR_US: case EVR_SS: case EVR_xs: case EVR_UL: case EVR_SL: return "not an integer in the VR's range";
    case EVR_UI: return "not a UID (numbers without leading zeros, separated by dots)";
    case EVR_PN: return "not a person name (at most 3 groups of 5 components)";
    default: return "not a valid value of this VR";
    }
}

bool InRange(const std::string& text, DcmEVR vr)
{
    long long low = 0;
    long long high = 0;
    if (!IntegerRange(vr, low, high)) {
        return true;
    }
    errno = 0;
    const long long number = std::strtoll(text.c_str(), nullptr, 10);
    return errno == 0 && number >= low && number <= high;
}

// Views into `text`, which must outlive them: a finding of megabytes is checked without a copy.
std::vector<std::wstring_view> Split(std::wstring_view text, wchar_t separator)
{
    std::vector<std::wstring_view> parts;
    size_t start = 0;
    while (true) {
        const size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::wstring_view::npos ? std::wstring_view::npos : end - start));
        if (end == std::wstring_view::npos) {
            return parts;
        }
        start = end + 1;
    }
}

// The value as DCMTK's ASCII checker sees it: each character beyond ASCII becomes a letter, which
// every VR that admits such characters treats alike.
bool IsFreeText(DcmEVR vr)
{
    return vr == EVR_LT || vr == EVR_ST || vr == EVR_UT;
}

std::string AsciiStandIn(std::wstring_view value)
{
    std::string ascii;
    ascii.reserve(value.size());
    for (wchar_t c : value) {
        ascii += static_cast<unsigned long>(c) < 0x80 ? static_cast<char>(c) : 'x';
    }
    return ascii;
}

std::string TagText(DWORD tag)
{
    char text[16];
    std::snprintf(text, sizeof(text), "(%04X,%04X)", static_cast<unsigned>(tag >> 16), static_cast<unsigned>(tag & 0xFFFF));
    return text;
}

std::string CodePointText(unsigned long code)
{
    char text[16];
    std::snprintf(text, sizeof(text), "U+%04lX", code);
    return text;
}

} // namespace

KMDcmVR::KMDcmVR(DWORD tag) : m_dwTag(tag)
{
    const DcmTagKey key(static_cast<Uint16>(tag >> 16), static_cast<Uint16>(tag & 0xFFFF));
    const DcmDataDictionary& dictionary = dcmDataDict.rdlock();
    const DcmDictEntry* entry = dictionary.findEntry(key, nullptr);
    if (entry != nullptr) {
        const DcmEVR vr = entry->getEVR();
        m_nVR = static_cast<int>(vr);
        m_nMaxValues = entry->getVMMax() == DcmVariableVM ? -1 : entry->getVMMax();
        m_nMaxLength = MaxLengthOf(vr);
        m_strName = entry->getVR().getVRName();
        m_strKeyword = entry->getTagName() != nullptr ? entry->getTagName() : "";
    }
    dcmDataDict.rdunlock();
}

bool KMDcmVR::IsText() const
{
    switch (static_cast<DcmEVR>(m_nVR)) {
    case EVR_AE: case EVR_AS: case EVR_CS: case EVR_DA: case EVR_DS: case EVR_DT: case EVR_IS:
    case EVR_LO: case EVR_LT: case EVR_PN: case EVR_SH: case EVR_ST: case EVR_TM: case EVR_UC:
    case EVR_UI: case EVR_UR: case EVR_UT:
    case EVR_US: case EVR_SS: case EVR_xs: case EVR_UL: case EVR_SL: case EVR_FL: case EVR_FD:
        return IsKnown();
    default:
        return false;
    }
}

bool KMDcmVR::AllowsMultipleValues() const
{
    return IsText() && m_nMaxValues != 1 && !IsSingleValuedText(static_cast<DcmEVR>(m_nVR));
}

bool KMDcmVR::IsCharacterAllowed(wchar_t c) const
{
    const auto code = static_cast<unsigned long>(static_cast<std::make_unsigned_t<wchar_t>>(c));
    const auto vr = static_cast<DcmEVR>(m_nVR);
    if (!IsText() || !IsUnicodeScalar(code)) {
        return false;
    }
    if (code == '\\') {
        return AllowsMultipleValues() || vr == EVR_LT || vr == EVR_ST || vr == EVR_UT;
    }
    switch (vr) {
    case EVR_LT: case EVR_ST: case EVR_UT: return !IsControl(code) || IsIn(code, "\t\n\f\r");
    case EVR_LO: case EVR_PN: case EVR_SH: case EVR_UC: return !IsControl(code);
    case EVR_AE: return code >= 0x20 && code < 0x7F;
    case EVR_UR: return code > 0x20 && code < 0x7F;
    case EVR_AS: return IsDigit(code) || IsIn(code, "DWMY");
    case EVR_CS: return IsDigit(code) || (code >= 'A' && code <= 'Z') || IsIn(code, " _");
    case EVR_DA: return IsDigit(code);
    case EVR_TM: return IsDigit(code) || IsIn(code, ". ");
    case EVR_DT: return IsDigit(code) || IsIn(code, ".+- ");
    case EVR_UI: return IsDigit(code) || code == '.';
    case EVR_US: case EVR_UL: return IsDigit(code) || IsIn(code, "+ ");
    case EVR_IS: case EVR_SS: case EVR_SL: case EVR_xs: return IsDigit(code) || IsIn(code, "+- ");
    case EVR_DS: case EVR_FL: case EVR_FD: return IsDigit(code) || IsIn(code, "+-.eE ");
    default: return false;
    }
}

bool KMDcmVR::CheckUtf8(const std::string& value, std::string& reason) const
{
    const std::wstring wide = KMString::ToWide(value);
    // Bytes that are not UTF-8 decode to replacement characters and so do not come back.
    if (KMString::ToUtf8(wide) != value) {
        return Fail("not UTF-8 text", reason);
    }
    return Check(wide, reason);
}

bool KMDcmVR::Check(std::wstring_view value, std::string& reason) const
{
    if (!IsKnown()) {
        return Fail("not in the DICOM dictionary", reason);
    }
    if (!IsText()) {
        return Fail("not a text or number value", reason);
    }
    std::string fault;
    return CheckValue(value, fault) || Fail(fault, reason);
}

bool KMDcmVR::CheckValue(std::wstring_view value, std::string& fault) const
{
    const auto vr = static_cast<DcmEVR>(m_nVR);
    const bool freeText = IsFreeText(vr);
    for (size_t i = 0; i < value.size(); ++i) {
        // Free text admits nearly everything, and a finding of megabytes is mostly plain ASCII:
        // eight such characters at a time are let through before any other test.
        if (freeText && i % 8 == 0 && i + 8 <= value.size() && IsPlainText(value.substr(i, 8))) {
            i += 7;
            continue;
        }
        const auto code = static_cast<unsigned long>(static_cast<std::make_unsigned_t<wchar_t>>(value[i]));
        const bool allowed = freeText ? IsUnicodeScalar(code) && (!IsControl(code) || IsIn(code, "\t\n\f\r"))
                                      : IsCharacterAllowed(value[i]);
        if (!allowed) {
            fault = code == '\\' ? "holds one value: a backslash would separate values"
                                 : "character " + CodePointText(code) + " not allowed";
            return false;
        }
    }
    const std::vector<std::wstring_view> values =
        AllowsMultipleValues() ? Split(value, L'\\') : std::vector<std::wstring_view>{value};
    if (m_nMaxValues >= 0 && values.size() > static_cast<size_t>(m_nMaxValues)) {
        fault = "more than " + std::to_string(m_nMaxValues) + " values";
        return false;
    }
    for (std::wstring_view one : values) {
        // A person name may have its length three times over: alphabetic, ideographic, phonetic.
        for (std::wstring_view part : vr == EVR_PN ? Split(one, L'=') : std::vector<std::wstring_view>{one}) {
            if (m_nMaxLength != 0 && part.size() > m_nMaxLength) {
                fault = "longer than " + std::to_string(m_nMaxLength) + " characters";
                return false;
            }
            // Validators and peers count the limit in bytes of the stored text, and a text
            // beyond ASCII is stored as UTF-8 (at most four bytes a character).
            if (m_nMaxLength != 0 && part.size() > m_nMaxLength / 4 &&
                KMString::Utf8Length(part.data(), part.size()) > m_nMaxLength) {
                fault = "longer than " + std::to_string(m_nMaxLength) + " bytes in UTF-8";
                return false;
            }
        }
        // A text's grammar is its characters, checked above; DCMTK's scan of a long finding
        // would only repeat that check.
        if (!one.empty() && !IsFreeText(vr) && !CheckGrammar(AsciiStandIn(one))) {
            fault = GrammarFault(vr);
            return false;
        }
    }
    // Many values together must still fit the element's 16-bit length (measured in UTF-8).
    if (!DcmVR(vr).usesExtendedLengthEncoding() &&
        KMString::Utf8Length(value.data(), value.size()) > kMaxShortElementBytes) {
        fault = "longer than " + std::to_string(kMaxShortElementBytes) + " bytes in all";
        return false;
    }
    return true;
}

bool KMDcmVR::CheckGrammar(const std::string& ascii) const
{
    const OFString value(ascii.c_str(), ascii.size());
    OFCondition status;
    switch (static_cast<DcmEVR>(m_nVR)) {
    case EVR_AE: status = DcmApplicationEntity::checkStringValue(value, "1"); break;
    case EVR_AS: status = DcmAgeString::checkStringValue(value, "1"); break;
    case EVR_CS: status = DcmCodeString::checkStringValue(value, "1"); break;
    case EVR_DA: status = DcmDate::checkStringValue(value, "1"); break;
    case EVR_DT: status = DcmDateTime::checkStringValue(value, "1"); break;
    case EVR_TM: status = DcmTime::checkStringValue(value, "1"); break;
    case EVR_DS: case EVR_FL: case EVR_FD: status = DcmDecimalString::checkStringValue(value, "1"); break;
    case EVR_IS: case EVR_US: case EVR_SS: case EVR_xs: case EVR_UL: case EVR_SL:
        status = DcmIntegerString::checkStringValue(value, "1");
        break;
    case EVR_LO: status = DcmLongString::checkStringValue(value, "1"); break;
    case EVR_SH: status = DcmShortString::checkStringValue(value, "1"); break;
    case EVR_UC: status = DcmUnlimitedCharacters::checkStringValue(value, "1"); break;
    case EVR_PN: status = DcmPersonName::checkStringValue(value, "1"); break;
    case EVR_LT: status = DcmLongText::checkStringValue(value); break;
    case EVR_ST: status = DcmShortText::checkStringValue(value); break;
    case EVR_UT: status = DcmUnlimitedText::checkStringValue(value); break;
    case EVR_UI: status = DcmUniqueIdentifier::checkStringValue(value, "1"); break;
    case EVR_UR: status = DcmUniversalResourceIdentifierOrLocator::checkStringValue(value); break;
    default: return false;
    }
    return status.good() && InRange(ascii, static_cast<DcmEVR>(m_nVR));
}

bool KMDcmVR::Fail(const std::string& fault, std::string& reason) const
{
    const std::string name = m_strKeyword.empty() ? TagText(m_dwTag) : m_strKeyword + " " + TagText(m_dwTag);
    reason = name + (m_strName.empty() ? "" : " " + m_strName) + ": " + fault;
    return false;
}

bool KMDcmVR::IsHostSettable(DWORD tag)
{
    return tag != kSpecificCharacterSet && (tag >> 16) != 0x0002 && (tag & 0xFFFF) != 0x0000;
}

#include "platform/kmbase/KMString.h"

namespace {

constexpr wchar_t kReplacement = 0xFFFD;

bool IsContinuation(unsigned char c)
{
    return (c & 0xC0) == 0x80;
}

// Decodes one UTF-8 sequence at `pos`, advancing it. Overlong forms, surrogates, values above
// U+10FFFF and truncated sequences give U+FFFD.
wchar_t DecodeOne(const std::string& s, size_t& pos)
{
    const unsigned char lead = static_cast<unsigned char>(s[pos]);
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    int extra = 0;
    unsigned long code = 0;
    unsigned long minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1;
        code = lead & 0x1F;
        minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2;
        code = lead & 0x0F;
        minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3;
        code = lead & 0x07;
        minimum = 0x10000;
    } else {
        ++pos;
        return kReplacement;
    }
    if (pos + extra >= s.size()) {
        ++pos;
        return kReplacement;
    }
    for (int i = 1; i <= extra; ++i) {
        const unsigned char c = static_cast<unsigned char>(s[pos + i]);
        if (!IsContinuation(c)) {
            // A sequence cut short counts as one bad character, not one per byte.
            pos += i;
            return kReplacement;
        }
        code = (code << 6) | (c & 0x3F);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        ++pos;
        return kReplacement;
    }
    pos += extra + 1;
    return static_cast<wchar_t>(code);
}

unsigned long ScalarOf(wchar_t c)
{
    const auto code = static_cast<unsigned long>(static_cast<std::make_unsigned_t<wchar_t>>(c));
    return code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF) ? kReplacement : code;
}

size_t EncodedLength(unsigned long code)
{
    return code < 0x80 ? 1 : code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
}

char* EncodeOne(unsigned long code, char* out)
{
    if (code < 0x80) {
        *out++ = static_cast<char>(code);
    } else if (code < 0x800) {
        *out++ = static_cast<char>(0xC0 | (code >> 6));
        *out++ = static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        *out++ = static_cast<char>(0xE0 | (code >> 12));
        *out++ = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (code & 0x3F));
    } else {
        *out++ = static_cast<char>(0xF0 | (code >> 18));
        *out++ = static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        *out++ = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (code & 0x3F));
    }
    return out;
}

} // namespace

std::wstring KMString::ToWide(const std::string& utf8)
{
    std::wstring wide;
    wide.reserve(utf8.size());
    size_t pos = 0;
    while (pos < utf8.size()) {
        wide += DecodeOne(utf8, pos);
    }
    return wide;
}

bool KMString::IsUnicode(const wchar_t* text)
{
    for (const wchar_t* c = text; c != nullptr && *c != L'\0'; ++c) {
        const auto code = static_cast<unsigned long>(*c);
        if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            return false;
        }
    }
    return true;
}

std::string KMString::ToUtf8(const std::wstring& wide)
{
    return ToUtf8(wide.data(), wide.size());
}

std::string KMString::ToUtf8(const wchar_t* text, size_t length)
{
    // Measured first and written in place: a finding of megabytes is encoded without the
    // string growing under it.
    size_t bytes = 0;
    for (size_t i = 0; i < length; ++i) {
        bytes += EncodedLength(ScalarOf(text[i]));
    }
    std::string utf8(bytes, '\0');
    char* out = utf8.data();
    for (size_t i = 0; i < length; ++i) {
        out = EncodeOne(ScalarOf(text[i]), out);
    }
    return utf8;
}

KMString::KMString(const wchar_t* text)
{
    *this = text;
}

KMString::KMString(const std::wstring& text)
{
    *this = text;
}

KMString::KMString(const char* text)
{
    *this = text;
}

KMString::KMString(const std::string& text)
{
    *this = text;
}

KMString& KMString::operator=(const char* text)
{
    return *this = std::string(text != nullptr ? text : "");
}

KMString& KMString::operator=(const std::string& text)
{
    m_strNarrow = text;
    m_strWide = ToWide(text);
    return *this;
}

KMString& KMString::operator=(const wchar_t* text)
{
    return *this = std::wstring(text != nullptr ? text : L"");
}

KMString& KMString::operator=(const std::wstring& text)
{
    // Going through UTF-8 replaces code points that have no UTF-8 form in both views alike.
    m_strNarrow = ToUtf8(text);
    m_strWide = ToWide(m_strNarrow);
    return *this;
}

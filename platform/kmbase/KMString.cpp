#include "platform/kmbase/KMString.h"

#include <cstdint>

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

// The bytes a character takes in UTF-8 beyond its first; U+FFFD stands for a non-character.
size_t ExtraUtf8Bytes(wchar_t c)
{
    const auto code = static_cast<uint32_t>(c);
    if (code < 0x80) {
        return 0;
    }
    const bool outside = code > 0x10FFFF || (code - 0xD800u) < 0x800u;
    return outside ? 2 : code < 0x800 ? 1 : code < 0x10000 ? 2 : 3;
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
    // Never more characters than bytes; ASCII, the common case, is copied without decoding.
    std::wstring wide(utf8.size(), L'\0');
    size_t count = 0;
    size_t pos = 0;
    while (pos < utf8.size()) {
        const auto byte = static_cast<unsigned char>(utf8[pos]);
        if (byte < 0x80) {
            wide[count++] = byte;
            ++pos;
        } else {
            wide[count++] = DecodeOne(utf8, pos);
        }
    }
    wide.resize(count);
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

size_t KMString::Utf8Length(const wchar_t* text, size_t length)
{
    // ASCII, the common case, is passed over eight characters at a time: a finding of megabytes
    // is measured in about a millisecond.
    size_t extra = 0;
    size_t i = 0;
    for (; i + 8 <= length; i += 8) {
        uint32_t any = 0;
        for (size_t k = 0; k < 8; ++k) {
            any |= static_cast<uint32_t>(text[i + k]);
        }
        if (any >= 0x80) {
            for (size_t k = 0; k < 8; ++k) {
                extra += ExtraUtf8Bytes(text[i + k]);
            }
        }
    }
    for (; i < length; ++i) {
        extra += ExtraUtf8Bytes(text[i]);
    }
    return length + extra;
}

std::string KMString::ToUtf8(const wchar_t* text, size_t length)
{
    // Measured first and written in place: a finding of megabytes is encoded without the
    // string growing under it, and all-ASCII text (the common case) is narrowed in one loop.
    const size_t bytes = Utf8Length(text, length);
    std::string utf8(bytes, '\0');
    char* out = utf8.data();
    if (bytes == length) {
        for (size_t i = 0; i < length; ++i) {
            out[i] = static_cast<char>(text[i]);
        }
        return utf8;
    }
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

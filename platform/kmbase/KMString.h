#pragma once

#include "platform/Export.h"

#include <string>

// A string that is read both as narrow text (UTF-8) and as wide text (wchar_t). Both forms are
// kept, so c_str and c_wstr are cheap and stay valid until the next assignment. Invalid UTF-8
// reads as U+FFFD in wide form; a null pointer assigns the empty string.
class SRCTRL_API KMString {
public:
    KMString() = default;
    KMString(const wchar_t* text);
    KMString(const std::wstring& text);
    explicit KMString(const char* text);
    explicit KMString(const std::string& text);

    KMString& operator=(const char* text);
    KMString& operator=(const std::string& text);
    KMString& operator=(const wchar_t* text);
    KMString& operator=(const std::wstring& text);

    const char* c_str() const { return m_strNarrow.c_str(); }
    const wchar_t* c_wstr() const { return m_strWide.c_str(); }
    const std::string& str() const { return m_strNarrow; }
    const std::wstring& wstr() const { return m_strWide; }

    // Length of the narrow form in bytes.
    size_t length() const { return m_strNarrow.size(); }
    bool empty() const { return m_strNarrow.empty(); }

    bool operator==(const KMString& other) const { return m_strNarrow == other.m_strNarrow; }
    bool operator!=(const KMString& other) const { return !(*this == other); }

    static std::wstring ToWide(const std::string& utf8);
    // Characters outside Unicode (lone surrogates, beyond U+10FFFF) become U+FFFD.
    static std::string ToUtf8(const std::wstring& wide);
    static std::string ToUtf8(const wchar_t* text, size_t length);
    // The length in bytes of ToUtf8(text, length), without encoding.
    static size_t Utf8Length(const wchar_t* text, size_t length);
    // True when every character is a Unicode scalar value, so that ToUtf8 keeps the text whole.
    static bool IsUnicode(const wchar_t* text);

private:
    std::string m_strNarrow;
    std::wstring m_strWide;
};

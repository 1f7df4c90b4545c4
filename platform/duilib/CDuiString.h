#pragma once

#include "platform/Export.h"

#include <string>

namespace DuiLib {

using LPCTSTR = const wchar_t*;
using TCHAR = wchar_t;

// The toolkit's text: wide characters, never null.
class SRCTRL_API CDuiString {
public:
    CDuiString() = default;
    // `length` -1 takes the text up to its terminating NUL; null gives the empty string.
    CDuiString(LPCTSTR text, int length = -1);
    CDuiString(const std::wstring& text) : m_str(text) {}

    LPCTSTR GetData() const { return m_str.c_str(); }
    int GetLength() const { return static_cast<int>(m_str.size()); }
    bool IsEmpty() const { return m_str.empty(); }
    void Empty() { m_str.clear(); }
    const std::wstring& Str() const { return m_str; }
    operator LPCTSTR() const { return m_str.c_str(); }

    bool operator==(const CDuiString& other) const { return m_str == other.m_str; }
    bool operator==(LPCTSTR other) const { return other != nullptr && m_str == other; }
    bool operator!=(const CDuiString& other) const { return !(*this == other); }
    bool operator!=(LPCTSTR other) const { return !(*this == other); }
    // Replaces `count` characters at `pos` (both within the text) in place.
    void Replace(size_t pos, size_t count, const std::wstring& with) { m_str.replace(pos, count, with); }
    CDuiString& operator+=(const CDuiString& other)
    {
        m_str += other.m_str;
        return *this;
    }

private:
    std::wstring m_str;
};

// A resource named by text (DuiLib also allows numeric identifiers; this toolkit has none).
struct STRINGorID {
    STRINGorID(LPCTSTR text) : m_lpstr(text) {}
    LPCTSTR m_lpstr;
};

} // namespace DuiLib

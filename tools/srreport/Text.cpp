#include "Text.h"

#include "Failure.h"

#include "platform/kmbase/KMString.h"

#include <cstdlib>

namespace Text {

std::wstring Wide(const std::string& utf8, const std::string& what)
{
    // The control takes C strings: a NUL would silently cut the text there.
    if (utf8.find('\0') != std::string::npos) {
        throw Failure(ExitCode::Input, what + " holds a NUL character");
    }
    // main() runs in a UTF-8 locale, so mbstowcs checks every sequence.
    const std::size_t length = std::mbstowcs(nullptr, utf8.c_str(), 0);
    if (length == static_cast<std::size_t>(-1)) {
        throw Failure(ExitCode::Input, what + " is not UTF-8 text");
    }
    std::wstring wide(length, L'\0');
    std::mbstowcs(wide.data(), utf8.c_str(), length + 1);
    return wide;
}

std::string Utf8(const std::wstring& wide)
{
    return KMString::ToUtf8(wide);
}

} // namespace Text

#pragma once

#include <cstddef>
#include <string>

// Small text checks that DICOM values need in several places.
class KMDcmText {
public:
    // The text without leading and trailing spaces, which DICOM uses as padding.
    static std::string Trimmed(const std::string& text)
    {
        const size_t first = text.find_first_not_of(' ');
        return first == std::string::npos ? std::string() : text.substr(first, text.find_last_not_of(' ') - first + 1);
    }

    // True when the bytes read the same in every DICOM character set: ASCII without escapes.
    // Eight bytes are tested together, branch-free, for values of megabytes.
    static bool IsAscii(const char* text, size_t length)
    {
        size_t i = 0;
        for (; i + 8 <= length; i += 8) {
            if (!IsPlain(text + i, 8)) {
                return false;
            }
        }
        return IsPlain(text + i, length - i);
    }

    // The text with each line break (CR LF, a lone LF or a lone CR) written as `lineBreak`.
    static std::wstring WithLineBreaks(const std::wstring& text, const wchar_t* lineBreak)
    {
        std::wstring out;
        out.reserve(text.size());
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == L'\r' || text[i] == L'\n') {
                out += lineBreak;
                if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') {
                    ++i;
                }
            } else {
                out += text[i];
            }
        }
        return out;
    }

private:
    static bool IsPlain(const char* text, size_t length)
    {
        bool plain = true;
        for (size_t i = 0; i < length; ++i) {
            const auto c = static_cast<unsigned char>(text[i]);
            plain &= c < 0x80 && c != 0x1B;
        }
        return plain;
    }
};

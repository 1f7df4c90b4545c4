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
        WithLineBreaks(text, lineBreak, out);
        return out;
    }

    // The same into `out` (not `text` itself), which keeps its capacity: a caller that converts
    // a megabyte text again and again writes into memory it already has.
    static void WithLineBreaks(const std::wstring& text, const wchar_t* lineBreak, std::wstring& out)
    {
        out.clear();
        // Room for a two-character break every sixteen characters before the string must grow.
        out.reserve(text.size() + text.size() / 16 + 16);
        size_t start = 0;
        while (start < text.size()) {
            size_t stop = start;
            while (stop < text.size() && text[stop] != L'\r' && text[stop] != L'\n') {
                ++stop;
            }
            out.append(text, start, stop - start);
            if (stop == text.size()) {
                break;
            }
            out += lineBreak;
            start = stop + (text[stop] == L'\r' && stop + 1 < text.size() && text[stop + 1] == L'\n' ? 2 : 1);
        }
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

#include "platform/duilib/Base64.h"

namespace DuiLib {

namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int ValueOf(char c)
{
    if (c >= 'A' && c <= 'Z') {
        return c - 'A';
    }
    if (c >= 'a' && c <= 'z') {
        return c - 'a' + 26;
    }
    if (c >= '0' && c <= '9') {
        return c - '0' + 52;
    }
    if (c == '+') {
        return 62;
    }
    if (c == '/') {
        return 63;
    }
    return -1;
}

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

} // namespace

std::string Base64::Encode(const unsigned char* data, size_t length)
{
    std::string text;
    if (data == nullptr) {
        return text;
    }
    text.reserve((length + 2) / 3 * 4);
    for (size_t i = 0; i < length; i += 3) {
        const unsigned long chunk = (static_cast<unsigned long>(data[i]) << 16) |
                                    (i + 1 < length ? static_cast<unsigned long>(data[i + 1]) << 8 : 0) |
                                    (i + 2 < length ? data[i + 2] : 0);
        text += kAlphabet[(chunk >> 18) & 0x3F];
        text += kAlphabet[(chunk >> 12) & 0x3F];
        text += i + 1 < length ? kAlphabet[(chunk >> 6) & 0x3F] : '=';
        text += i + 2 < length ? kAlphabet[chunk & 0x3F] : '=';
    }
    return text;
}

bool Base64::Decode(const char* text, size_t length, std::vector<unsigned char>& bytes)
{
    bytes.clear();
    if (text == nullptr) {
        return false;
    }
    std::string symbols;
    symbols.reserve(length);
    for (size_t i = 0; i < length; ++i) {
        if (!IsSpace(text[i])) {
            symbols += text[i];
        }
    }
    if (symbols.size() % 4 != 0) {
        return false;
    }
    bytes.reserve(symbols.size() / 4 * 3);
    for (size_t i = 0; i < symbols.size(); i += 4) {
        const bool last = i + 4 == symbols.size();
        const int padding = (symbols[i + 3] == '=' ? 1 : 0) + (symbols[i + 2] == '=' ? 1 : 0);
        if ((padding > 0 && !last) || (symbols[i + 2] == '=' && symbols[i + 3] != '=')) {
            bytes.clear();
            return false;
        }
        unsigned long chunk = 0;
        for (int k = 0; k < 4 - padding; ++k) {
            const int value = ValueOf(symbols[i + k]);
            if (value < 0) {
                bytes.clear();
                return false;
            }
            chunk |= static_cast<unsigned long>(value) << (18 - 6 * k);
        }
        bytes.push_back(static_cast<unsigned char>((chunk >> 16) & 0xFF));
        if (padding < 2) {
            bytes.push_back(static_cast<unsigned char>((chunk >> 8) & 0xFF));
        }
        if (padding < 1) {
            bytes.push_back(static_cast<unsigned char>(chunk & 0xFF));
        }
    }
    return true;
}

} // namespace DuiLib

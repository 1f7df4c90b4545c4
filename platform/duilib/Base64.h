#pragma once

#include "platform/Export.h"

#include <cstddef>
#include <string>
#include <vector>

namespace DuiLib {

// Standard Base64 (RFC 4648 alphabet, '=' padding, no line breaks).
class SRCTRL_API Base64 {
public:
    static std::string Encode(const unsigned char* data, size_t length);
    // False for text that is not Base64 (other characters, wrong padding or length); white
    // space is skipped.
    static bool Decode(const char* text, size_t length, std::vector<unsigned char>& bytes);
};

} // namespace DuiLib

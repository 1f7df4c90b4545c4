#include "TagName.h"

#include "Failure.h"

#include <dcmtk/dcmdata/dctag.h>

#include <cctype>
#include <cstdio>

namespace TagName {
namespace {

bool ParseHex16(const std::string& text, unsigned int& value)
{
    if (text.size() != 4) {
        return false;
    }
    value = 0;
    for (const char c : text) {
        if (std::isxdigit(static_cast<unsigned char>(c)) == 0) {
            return false;
        }
        value = value * 16 + static_cast<unsigned int>(std::isdigit(static_cast<unsigned char>(c)) != 0
                                                           ? c - '0'
                                                           : std::tolower(static_cast<unsigned char>(c)) - 'a' + 10);
    }
    return true;
}

} // namespace

unsigned int Parse(const std::string& text)
{
    const auto comma = text.find(',');
    if (comma != std::string::npos) {
        unsigned int group = 0;
        unsigned int element = 0;
        if (!ParseHex16(text.substr(0, comma), group) || !ParseHex16(text.substr(comma + 1), element)) {
            throw Failure(ExitCode::Usage, "not a DICOM tag: \"" + text + "\" (write it as gggg,eeee in hexadecimal)");
        }
        return group << 16 | element;
    }
    DcmTag tag;
    if (text.empty() || DcmTag::findTagFromName(text.c_str(), tag).bad()) {
        throw Failure(ExitCode::Usage, "unknown DICOM keyword: \"" + text + "\"");
    }
    return static_cast<unsigned int>(tag.getGroup()) << 16 | tag.getElement();
}

std::string Describe(unsigned int tag)
{
    char number[16];
    std::snprintf(number, sizeof number, "(%04X,%04X)", tag >> 16, tag & 0xFFFF);
    DcmTag known(static_cast<Uint16>(tag >> 16), static_cast<Uint16>(tag & 0xFFFF));
    const char* name = known.getTagName();
    if (name == nullptr || std::string(name) == DcmTag_ERROR_TagName) {
        return number;
    }
    return std::string(number) + " " + name;
}

} // namespace TagName

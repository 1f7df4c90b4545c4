#include "platform/kmdicom/KMDcmCharset.h"

#include <dcmtk/dcmdata/dcdatset.h>
#include <dcmtk/dcmdata/dcdeftag.h>
#include <dcmtk/dcmdata/dcspchrs.h>

namespace {

const char* const kUtf8 = "ISO_IR 192";

std::string Trimmed(const std::string& text)
{
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        return std::string();
    }
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// Characters after which an ISO 2022 character set returns to its default.
const char* Delimiters(DcmEVR vr)
{
    if (vr == EVR_PN) {
        return "\\^=";
    }
    if (vr == EVR_LT || vr == EVR_ST || vr == EVR_UT) {
        return "";
    }
    return "\\";
}

} // namespace

std::string KMDcmCharset::Of(DcmItem& dataset)
{
    OFString charset;
    if (dataset.findAndGetOFStringArray(DCM_SpecificCharacterSet, charset).bad()) {
        return std::string();
    }
    return Trimmed(charset.c_str());
}

std::string KMDcmCharset::ToUtf8(const std::string& charset, const std::string& raw, DcmEVR vr)
{
    if (charset == kUtf8) {
        return raw;
    }
    DcmSpecificCharacterSet converter;
    OFString utf8;
    if (converter.selectCharacterSet(charset.c_str()).good() &&
        converter.convertString(raw.data(), raw.size(), utf8, Delimiters(vr)).good()) {
        return std::string(utf8.c_str(), utf8.length());
    }
    return raw;
}

bool KMDcmCharset::FromUtf8(const std::string& charset, const std::string& utf8, std::string& encoded)
{
    if (charset == kUtf8) {
        encoded = utf8;
        return true;
    }
    if (charset.empty() || charset.find('\\') != std::string::npos || charset.rfind("ISO 2022", 0) == 0) {
        return false;
    }
    DcmSpecificCharacterSet converter;
    OFString out;
    if (converter.selectCharacterSet(kUtf8, charset.c_str()).bad() ||
        converter.convertString(utf8.data(), utf8.size(), out).bad()) {
        return false;
    }
    // iconv may substitute what it cannot map; a value that does not come back is not held.
    DcmSpecificCharacterSet reverse;
    OFString check;
    if (reverse.selectCharacterSet(charset.c_str()).bad() ||
        reverse.convertString(out.c_str(), out.length(), check).bad() ||
        std::string(check.c_str(), check.length()) != utf8) {
        return false;
    }
    encoded.assign(out.c_str(), out.length());
    return true;
}

bool KMDcmCharset::ConvertToUtf8(DcmDataset& dataset)
{
    DcmDataset converted(dataset);
    if (converted.convertToUTF8().bad() ||
        converted.putAndInsertString(DCM_SpecificCharacterSet, kUtf8).bad()) {
        return false;
    }
    // Converting a copy and applying it only on success keeps the dataset whole on failure;
    // the element objects are kept so that views bound to items stay valid.
    return dataset.convertToUTF8().good() && dataset.putAndInsertString(DCM_SpecificCharacterSet, kUtf8).good();
}

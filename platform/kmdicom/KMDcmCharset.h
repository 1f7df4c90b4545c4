#pragma once

#include <dcmtk/dcmdata/dcvr.h>

#include <string>

class DcmItem;
class DcmDataset;

// Moves text between UTF-8 and a dataset's Specific Character Set with DCMTK's conversion.
class KMDcmCharset {
public:
    // The dataset's Specific Character Set (0008,0005) as written, "" when absent (ASCII).
    static std::string Of(DcmItem& dataset);

    // Decodes a value of the given representation. Bytes that the character set does not
    // define are decoded as UTF-8, so that nothing fails to read.
    static std::string ToUtf8(const std::string& charset, const std::string& raw, DcmEVR vr);

    // Encodes UTF-8 text in a character set without code extensions. False when the set cannot
    // hold every character of the text, or uses code extensions (ISO 2022), or is ASCII.
    static bool FromUtf8(const std::string& charset, const std::string& utf8, std::string& encoded);

    // Converts every text of the dataset to UTF-8 and sets (0008,0005) to "ISO_IR 192". On
    // failure the dataset is left as it was.
    static bool ConvertToUtf8(DcmDataset& dataset);
};

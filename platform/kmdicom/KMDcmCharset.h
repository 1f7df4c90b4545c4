#pragma once

#include <dcmtk/dcmdata/dcvr.h>

#include <string>
#include <vector>

class DcmDataset;
class DcmElement;
class DcmItem;
class DcmObject;

// Moves text between UTF-8 and a dataset's Specific Character Set. DCMTK's conversion does the
// work; the Japanese ISO 2022 sets (IR 13, IR 87, IR 159), which the C library's converter that
// DCMTK uses here does not provide, are decoded through EUC-JP.
class KMDcmCharset {
public:
    // The dataset's Specific Character Set (0008,0005) as written, "" when absent (ASCII).
    static std::string Of(DcmItem& dataset);

    // True when `charset` declares a set whose non-ASCII bytes can be read: a term (or terms)
    // that DCMTK's conversion or the Japanese decoder knows. False for none declared and for an
    // unknown term.
    static bool IsReadable(const std::string& charset);

    // Decodes a value of the given representation; false when the bytes are not valid in the
    // character set or the set is unknown.
    static bool Decode(const std::string& charset, const std::string& raw, DcmEVR vr, std::string& utf8);

    // Reads a value as text, never failing: bytes that the declared set does not read (none
    // declared, an unknown term, or bytes that are invalid in the set) are read as ISO_IR 100,
    // as `dcmdump --charset-assume` does. Every byte stays a character, so nothing is lost when
    // the value is converted and written again.
    static std::string Read(const std::string& charset, const std::string& raw, DcmEVR vr);

    // Encodes UTF-8 text in a character set without code extensions. False when the set cannot
    // hold every character of the text, or uses code extensions (ISO 2022), or is ASCII.
    static bool FromUtf8(const std::string& charset, const std::string& utf8, std::string& encoded);

    // Converts every text of a dataset or item, written in `charset`, to UTF-8 and sets its
    // (0008,0005) to "ISO_IR 192", reading each value as Read does. The element objects are
    // kept, so views bound to items stay valid. False only when DCMTK cannot take a value.
    static bool ConvertToUtf8(DcmItem& item, const std::string& charset);

    // Clones every element of `source` (an item of the dataset `sourceRoot`) into `target`, but
    // the file meta information; for a tag that both have, the source's value wins. Texts stay
    // readable: `target` takes the source's character set when its own texts allow, otherwise
    // both are brought to UTF-8. False when a conversion fails (then `target` may have been
    // converted, its texts reading as before). Recurses as deeply as the source nests.
    static bool TakeIn(DcmDataset& target, DcmItem& source, DcmDataset& sourceRoot);

    // Appends every element at or below `object` whose value depends on the character set and
    // is not plain ASCII.
    static void CollectTexts(DcmObject* object, std::vector<DcmElement*>& texts);
};

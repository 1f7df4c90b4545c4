#pragma once

#include "platform/Export.h"
#include "platform/win32/WinDef.h"

#include <cstddef>
#include <string>
#include <string_view>

// What the DICOM dictionary lets the value of one tag hold: its value representation (VR), how
// many characters a value may have, which characters it may contain, and whether a backslash
// separates several values. The dataset refuses through it every value that the VR cannot hold;
// the page uses the same answers to limit what a person can type.
//
// Values are checked as people read them (wide or UTF-8 text), before any character set is
// applied; a value must keep to its length both in characters (Unicode code points) and in the
// bytes of its UTF-8 form, the form in which the control stores text beyond ASCII and in which
// validators count it. An empty value is
// always allowed. The texts of SR content items are UT, which holds up to 4 GiB: a long finding
// is never refused for its length.
class SRCTRL_API KMDcmVR {
public:
    // Looks `tag` up in the dictionary. A tag outside it (private tags included, such as the
    // report's group 0721) is unknown: IsKnown() is false and Check refuses every value.
    explicit KMDcmVR(DWORD tag);

    bool IsKnown() const { return m_nVR >= 0; }
    // The VR as two letters ("PN", "DA"), "" for an unknown tag.
    const std::string& GetName() const { return m_strName; }
    // True when the value is text or a number that KMDcmDataset::SetString can store; false for
    // sequences, binary data and unknown tags.
    bool IsText() const;
    // The most characters one value may have (for PN: one component group), 0 where the VR sets
    // no limit in characters (FL, FD: their grammar decides).
    size_t GetMaxLength() const { return m_nMaxLength; }
    // True when a backslash separates values: the dictionary allows more than one value and the
    // VR is not LT, ST, UT or UR (in LT, ST and UT a backslash is an ordinary character).
    bool AllowsMultipleValues() const;
    // Whether `c` may appear in a value at all. Whether the whole value is valid (a date, a
    // number, the number of values) is for Check to say.
    bool IsCharacterAllowed(wchar_t c) const;

    // Checks a whole value. True when the VR can hold it; otherwise false, with `reason` naming
    // the tag and the fault, such as "PatientName (0010,0010) PN: longer than 64 characters".
    // `reason` is left alone on success.
    bool Check(std::wstring_view value, std::string& reason) const;
    // The same for UTF-8 text; bytes that are not UTF-8 are refused.
    bool CheckUtf8(const std::string& value, std::string& reason) const;

    // False for tags whose value the control keeps itself, which a host must not set through
    // the value path: Specific Character Set (0008,0005), since the dataset converts its texts
    // between character sets itself, and the file meta information (group 0002) and group
    // lengths (element 0000), which are made when a file is written.
    static bool IsHostSettable(DWORD tag);

private:
    bool Fail(const std::string& fault, std::string& reason) const;
    bool CheckValue(std::wstring_view value, std::string& fault) const;
    bool CheckGrammar(const std::string& ascii) const;

    DWORD m_dwTag = 0;
    // The dictionary's VR as DCMTK's DcmEVR, -1 for an unknown tag.
    int m_nVR = -1;
    // The dictionary's largest value multiplicity, -1 for "n".
    int m_nMaxValues = 1;
    size_t m_nMaxLength = 0;
    std::string m_strName;
    std::string m_strKeyword;
};

#include "platform/kmdicom/KMDcmTags.h"
#include "platform/kmdicom/KMDcmVR.h"

#include <gtest/gtest.h>

namespace {

constexpr DWORD kStudyDescription = 0x00081030;  // LO
constexpr DWORD kImageType = 0x00080008;         // CS, 2-n
constexpr DWORD kRows = 0x00280010;              // US
constexpr DWORD kSliceThickness = 0x00180050;    // DS
constexpr DWORD kPixelSpacing = 0x00280030;      // DS, 2
constexpr DWORD kSmallestPixelValue = 0x00280106; // US or SS
constexpr DWORD kAdditionalHistory = 0x001021B0; // LT
constexpr DWORD kTextValue = 0x0040A160;         // UT

// The reason for refusing `value`, or "accepted".
std::string Verdict(DWORD tag, const std::wstring& value)
{
    std::string reason = "untouched";
    return KMDcmVR(tag).Check(value, reason) ? (reason == "untouched" ? "accepted" : "accepted, reason " + reason) : reason;
}

std::wstring Repeat(const std::wstring& part, size_t times)
{
    std::wstring text;
    for (size_t i = 0; i < times; ++i) {
        text += part;
    }
    return text;
}

} // namespace

TEST(KMDcmVR, LimitsComeFromTheDictionary)
{
    struct Expected {
        DWORD tag;
        const char* vr;
        size_t maxLength;
        bool multiple;
    };
    for (const Expected& e : {Expected{KMDcmTag::PatientName, "PN", 64, false}, Expected{kStudyDescription, "LO", 64, false},
                              Expected{KMDcmTag::Modality, "CS", 16, false}, Expected{kImageType, "CS", 16, true},
                              Expected{KMDcmTag::StudyDate, "DA", 8, false}, Expected{KMDcmTag::StudyTime, "TM", 14, false},
                              Expected{KMDcmTag::PatientID, "LO", 64, false}, Expected{KMDcmTag::PatientAge, "AS", 4, false},
                              Expected{kAdditionalHistory, "LT", 10240, false}, Expected{kTextValue, "UT", 0xFFFFFFFEu, false},
                              Expected{kRows, "US", 5, false}, Expected{kPixelSpacing, "DS", 16, true}}) {
        const KMDcmVR vr(e.tag);
        SCOPED_TRACE(e.vr);
        EXPECT_TRUE(vr.IsKnown());
        EXPECT_TRUE(vr.IsText());
        EXPECT_EQ(vr.GetName(), e.vr);
        EXPECT_EQ(vr.GetMaxLength(), e.maxLength);
        EXPECT_EQ(vr.AllowsMultipleValues(), e.multiple);
    }

    const KMDcmVR finding(KMDcmTag::ReportFinding);
    EXPECT_FALSE(finding.IsKnown()) << "the report's private tags are not dataset elements";
    EXPECT_EQ(finding.GetName(), "");
    EXPECT_EQ(Verdict(KMDcmTag::ReportFinding, L"x"), "(0721,1001): not in the DICOM dictionary");
    EXPECT_FALSE(KMDcmVR(KMDcmTag::ReferencedImageSequence).IsText());
    EXPECT_EQ(Verdict(KMDcmTag::ReferencedImageSequence, L""), "ReferencedImageSequence (0008,1140) SQ: not a text or number value");
}

TEST(KMDcmVR, CharactersAPersonMayType)
{
    const wchar_t clapping = static_cast<wchar_t>(0x1F44F);
    const struct {
        DWORD tag;
        std::wstring allowed;
        std::wstring refused;
    } cases[] = {
        {KMDcmTag::StudyDate, L"7", L".-a \\"},
        {KMDcmTag::Modality, L"C7 _", L"c-é\\"},
        {kImageType, L"\\", L""}, // separates the values of a multi-valued element
        {KMDcmTag::PatientName, std::wstring(L"é山^=") + clapping, std::wstring(L"\\\n\t\x1B\x85") + static_cast<wchar_t>(0xD800)},
        // In long texts a backslash is an ordinary character, and lines may break.
        {kAdditionalHistory, L"\\\n\r\t\f", L"\a"},
        {kRows, L"4", std::wstring(L"-") + clapping}, // unsigned
    };
    for (const auto& c : cases) {
        const KMDcmVR vr(c.tag);
        for (wchar_t ch : c.allowed) {
            EXPECT_TRUE(vr.IsCharacterAllowed(ch)) << vr.GetName() << " U+" << std::hex << static_cast<int>(ch);
        }
        for (wchar_t ch : c.refused) {
            EXPECT_FALSE(vr.IsCharacterAllowed(ch)) << vr.GetName() << " U+" << std::hex << static_cast<int>(ch);
        }
    }
}

TEST(KMDcmVR, WholeValuesAndTheirReasons)
{
    EXPECT_EQ(Verdict(KMDcmTag::PatientName, Repeat(L"a", 65)), "PatientName (0010,0010) PN: longer than 64 characters");
    EXPECT_EQ(Verdict(KMDcmTag::PatientName, Repeat(L"a", 70000)), "PatientName (0010,0010) PN: longer than 64 characters");
    EXPECT_EQ(Verdict(KMDcmTag::PatientName, L"Doe\\Smith"),
              "PatientName (0010,0010) PN: holds one value: a backslash would separate values");
    EXPECT_EQ(Verdict(KMDcmTag::PatientName, L"a=b=c=d"),
              "PatientName (0010,0010) PN: not a person name (at most 3 groups of 5 components)");
    // The limit holds for each component group, in characters and in the bytes of UTF-8, which is
    // how validators such as dciodvfy count it: 21 such characters take 63 bytes, 22 take 66.
    EXPECT_EQ(Verdict(KMDcmTag::PatientName, Repeat(L"a", 64) + L"=" + Repeat(L"山", 21) + L"=" + Repeat(L"や", 21)), "accepted");
    EXPECT_EQ(Verdict(KMDcmTag::PatientName, L"Yamada=" + Repeat(L"山", 22)),
              "PatientName (0010,0010) PN: longer than 64 bytes in UTF-8");
    EXPECT_EQ(Verdict(KMDcmTag::PatientName, L"Yamada=" + Repeat(L"山", 65)), "PatientName (0010,0010) PN: longer than 64 characters");
    EXPECT_EQ(Verdict(KMDcmTag::PatientName, std::wstring(L"Doe^J") + static_cast<wchar_t>(0xDC00)),
              "PatientName (0010,0010) PN: character U+DC00 not allowed");

    EXPECT_EQ(Verdict(kStudyDescription, Repeat(L"x", 64)), "accepted");
    EXPECT_EQ(Verdict(kStudyDescription, Repeat(L"x", 100)), "StudyDescription (0008,1030) LO: longer than 64 characters");
    EXPECT_EQ(Verdict(kStudyDescription, L"two\nlines"), "StudyDescription (0008,1030) LO: character U+000A not allowed");

    EXPECT_EQ(Verdict(KMDcmTag::StudyDate, L"20240131"), "accepted");
    EXPECT_EQ(Verdict(KMDcmTag::StudyDate, L"31.01.2024"), "StudyDate (0008,0020) DA: character U+002E not allowed");
    EXPECT_EQ(Verdict(KMDcmTag::StudyDate, L"20241345"), "StudyDate (0008,0020) DA: not a date (YYYYMMDD)");
    EXPECT_EQ(Verdict(KMDcmTag::StudyDate, L"2024013"), "StudyDate (0008,0020) DA: not a date (YYYYMMDD)");
    EXPECT_EQ(Verdict(KMDcmTag::StudyTime, L"123000.5"), "accepted");
    EXPECT_EQ(Verdict(KMDcmTag::StudyTime, L"250000"), "StudyTime (0008,0030) TM: not a time (HHMMSS.FFFFFF)");
    EXPECT_EQ(Verdict(KMDcmTag::PatientAge, L"045Y"), "accepted");
    EXPECT_EQ(Verdict(KMDcmTag::PatientAge, L"45"), "PatientAge (0010,1010) AS: not an age (nnnD, nnnW, nnnM or nnnY)");
    EXPECT_EQ(Verdict(KMDcmTag::SOPInstanceUID, L"1.2.03"),
              "SOPInstanceUID (0008,0018) UI: not a UID (numbers without leading zeros, separated by dots)");

    // Numbers, whether the dataset keeps them as text (IS, DS) or in binary (US).
    EXPECT_EQ(Verdict(kRows, L"4\U0001F44Foo"), "Rows (0028,0010) US: character U+1F44F not allowed");
    EXPECT_EQ(Verdict(kRows, L"512"), "accepted");
    EXPECT_EQ(Verdict(kRows, L"65536"), "Rows (0028,0010) US: not an integer in the VR's range");
    EXPECT_EQ(Verdict(KMDcmTag::InstanceNumber, L"4\U0001F44Foo"), "InstanceNumber (0020,0013) IS: character U+1F44F not allowed");
    EXPECT_EQ(Verdict(KMDcmTag::InstanceNumber, L"12e3"), "InstanceNumber (0020,0013) IS: character U+0065 not allowed");
    EXPECT_EQ(Verdict(KMDcmTag::InstanceNumber, L"3000000000"), "InstanceNumber (0020,0013) IS: not an integer in the VR's range");
    EXPECT_EQ(Verdict(KMDcmTag::InstanceNumber, L"4-"), "InstanceNumber (0020,0013) IS: not an integer in the VR's range");
    EXPECT_EQ(Verdict(kSliceThickness, L"1.5e-1"), "accepted");
    EXPECT_EQ(Verdict(kSliceThickness, L"1.5.1"), "SliceThickness (0018,0050) DS: not a decimal number");
    EXPECT_EQ(Verdict(kSmallestPixelValue, L"-1024"), "accepted");
    EXPECT_EQ(Verdict(kPixelSpacing, L"0.5\\0.5"), "accepted");
    EXPECT_EQ(Verdict(kPixelSpacing, L"0.5\\0.5\\1"), "PixelSpacing (0028,0030) DS: more than 2 values");
    EXPECT_EQ(Verdict(kImageType, Repeat(L"ABCDEFGHIJKLMNOP\\", 4000) + L"END"),
              "ImageType (0008,0008) CS: longer than 65534 bytes in all") << "an element's length has 16 bits";

    // Long texts: a backslash is text, lines may break, and the limits are large.
    EXPECT_EQ(Verdict(kAdditionalHistory, L"C:\\scans\r\nsecond line"), "accepted");
    EXPECT_EQ(Verdict(kAdditionalHistory, Repeat(L"x", 10241)), "AdditionalPatientHistory (0010,21B0) LT: longer than 10240 characters");
    EXPECT_EQ(Verdict(kTextValue, Repeat(L"Finding line.\n", 80000)), "accepted");
    EXPECT_EQ(Verdict(kTextValue, L"bell\a"), "TextValue (0040,A160) UT: character U+0007 not allowed");

    // An empty value is how DICOM says "unknown" and is always allowed.
    for (DWORD tag : {KMDcmTag::PatientName, KMDcmTag::StudyDate, kRows, kPixelSpacing}) {
        EXPECT_EQ(Verdict(tag, L""), "accepted") << std::hex << tag;
    }

    std::string reason;
    EXPECT_FALSE(KMDcmVR(KMDcmTag::PatientName).CheckUtf8("M\xfcller", reason)) << "Latin-1 bytes are not UTF-8";
    EXPECT_EQ(reason, "PatientName (0010,0010) PN: not UTF-8 text");
    EXPECT_TRUE(KMDcmVR(KMDcmTag::PatientName).CheckUtf8("M\xc3\xbcller^J\xc3\xbcrgen", reason));
}

TEST(KMDcmVR, TheControlKeepsTheCharacterSetAndTheFileMetaItself)
{
    EXPECT_FALSE(KMDcmVR::IsHostSettable(KMDcmTag::SpecificCharacterSet));
    EXPECT_FALSE(KMDcmVR::IsHostSettable(0x00020010));
    EXPECT_FALSE(KMDcmVR::IsHostSettable(0x00100000)) << "a group length is the writer's";
    for (DWORD tag : {KMDcmTag::PatientName, KMDcmTag::Modality, KMDcmTag::ReportFinding, KMDcmTag::SOPInstanceUID}) {
        EXPECT_TRUE(KMDcmVR::IsHostSettable(tag)) << std::hex << tag;
    }
}

TEST(KMDcmVR, AControlCharacterIsRefusedWhereverItFallsInALongText)
{
    // Free text is let through eight plain characters at a time; what is not plain must still be
    // tested one by one, at every place of such a block and after the last one.
    for (size_t at = 0; at < 21; ++at) {
        for (wchar_t refused : {L'\x01', L'\x1B', L'\x7F', L'\x85', static_cast<wchar_t>(0xDC00)}) {
            std::wstring text(21, L'x');
            text[at] = refused;
            EXPECT_NE(Verdict(kTextValue, text), "accepted") << "U+" << std::hex << static_cast<unsigned>(refused) << " at " << std::dec << at;
        }
        for (wchar_t allowed : {L'\n', L'\r', L'\t', L'\f', L'é', L'肝'}) {
            std::wstring text(21, L'x');
            text[at] = allowed;
            EXPECT_EQ(Verdict(kTextValue, text), "accepted") << "U+" << std::hex << static_cast<unsigned>(allowed) << " at " << std::dec << at;
        }
    }
}

#include "platform/kmdicom/KMDcmSR.h"
#include "platform/kmdicom/KMDcmTags.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

using testing_support::DataFile;
using testing_support::Quoted;
using testing_support::RunTool;
using testing_support::TempDir;

namespace {

constexpr DWORD kStudyDescription = 0x00081030;
constexpr DWORD kImageType = 0x00080008;
constexpr DWORD kRows = 0x00280010;
constexpr DWORD kSliceThickness = 0x00180050;

// A document whose values were written by another system in the given character set: the raw
// bytes go in unchanged through the narrow calls.
void Encoded(KMDcmFile& file, const char* charset, const char* rawName)
{
    ASSERT_TRUE(file.GetDataset()->SetString(KMDcmTag::SpecificCharacterSet, charset));
    ASSERT_TRUE(file.GetDataset()->SetString(KMDcmTag::PatientName, rawName));
}

std::wstring WideName(const KMDcmFile& file)
{
    std::wstring value = L"stale";
    EXPECT_TRUE(file.GetDataset()->GetString(KMDcmTag::PatientName, value));
    return value;
}

std::string Narrow(const KMDcmDataset& ds, DWORD tag)
{
    std::string value = "absent";
    ds.GetString(tag, value);
    return value;
}

std::wstring Wide(const KMDcmDataset& ds, DWORD tag)
{
    std::wstring value = L"absent";
    ds.GetString(tag, value);
    return value;
}

// dcmdump's UTF-8 view of a file, with its messages; "E:" and "F:" lines are its errors.
std::string DumpUtf8(const std::string& path)
{
    return RunTool("dcmdump +U8 " + Quoted(path) + " 2>&1").strOutput;
}

bool Holds(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

} // namespace

// Values another system wrote in a character set the files under tests/data/charsets do not
// show: half-width katakana in G1 beside JIS X 0208, as Japanese modalities write names.
TEST(KMDcmDataset, ReadsHalfWidthKatakanaBesideKanji)
{
    KMDcmFile katakana;
    Encoded(katakana, "ISO 2022 IR 13\\ISO 2022 IR 87",
            "\xd4\xcf\xc0\xde^\xc0\xdb\xb3=\x1b$B;3ED\x1b(J^\x1b$BB@O:\x1b(J=\x1b$B$d$^$@\x1b(J^\x1b$B$?$m$&\x1b(J");
    EXPECT_EQ(WideName(katakana), L"ﾔﾏﾀﾞ^ﾀﾛｳ=山田^太郎=やまだ^たろう");
}

// A text that a declared single-byte set cannot hold moves the document to UTF-8, and the values
// already there are converted, not reinterpreted.
TEST(KMDcmDataset, TextLatin1CannotHoldMovesTheDatasetToUtf8)
{
    KMDcmFile latin;
    Encoded(latin, "ISO_IR 100", "M\xfcller^J\xfcrgen");
    ASSERT_TRUE(latin.GetDataset()->SetString(kStudyDescription, L"胸部 CT"));
    EXPECT_EQ(Narrow(*latin.GetDataset(), KMDcmTag::SpecificCharacterSet), "ISO_IR 192");
    EXPECT_EQ(Wide(*latin.GetDataset(), kStudyDescription), L"胸部 CT");
    EXPECT_EQ(WideName(latin), L"Müller^Jürgen");
    EXPECT_EQ(Narrow(*latin.GetDataset(), KMDcmTag::PatientName), "M\xc3\xbcller^J\xc3\xbcrgen");
}

TEST(KMDcmDataset, StringValuesAndTheirAbsence)
{
    KMDcmFile file;
    KMDcmDataset* ds = file.GetDataset();
    std::string text = "stale";
    EXPECT_FALSE(ds->GetString(KMDcmTag::PatientName, text));
    EXPECT_EQ(text, "stale") << "a failed read leaves the output alone";

    ASSERT_TRUE(ds->SetString(kImageType, "ORIGINAL\\PRIMARY\\AXIAL"));
    ASSERT_TRUE(ds->GetString(kImageType, text, 2));
    EXPECT_EQ(text, "AXIAL");
    EXPECT_FALSE(ds->GetString(kImageType, text, 3));
    EXPECT_FALSE(ds->GetString(kImageType, text, -2));
    ASSERT_TRUE(ds->GetString(kImageType, text, KMDcmDataset::kAllValues));
    EXPECT_EQ(text, "ORIGINAL\\PRIMARY\\AXIAL");
    const char* kept = nullptr;
    ASSERT_TRUE(ds->GetString(kImageType, kept));
    EXPECT_STREQ(kept, "ORIGINAL\\PRIMARY\\AXIAL");

    // A backslash is text in LT, ST and UT values.
    ASSERT_TRUE(ds->SetString(0x00204000, L"a\\b"));
    std::wstring comments;
    ASSERT_TRUE(ds->GetString(0x00204000, comments));
    EXPECT_EQ(comments, L"a\\b");

    ASSERT_TRUE(ds->SetString(KMDcmTag::PatientName, ""));
    ASSERT_TRUE(ds->GetString(KMDcmTag::PatientName, text));
    EXPECT_EQ(text, "");
    ASSERT_TRUE(ds->GetString(KMDcmTag::PatientName, kept));
    EXPECT_STREQ(kept, "");

    EXPECT_FALSE(ds->SetString(KMDcmTag::PatientName, static_cast<const char*>(nullptr)));
    EXPECT_FALSE(ds->SetString(KMDcmTag::PatientName, static_cast<const wchar_t*>(nullptr)));
    EXPECT_FALSE(ds->SetString(0x07211001, L"private tags are SR content, not elements"));
    EXPECT_FALSE(ds->SetString(KMDcmTag::ReferencedImageSequence, "a sequence"));
    EXPECT_FALSE(ds->SetString(KMDcmTag::EncapsulatedDocument, "binary"));

    KMDcmDataset unbound;
    EXPECT_FALSE(unbound.SetString(KMDcmTag::PatientName, "x"));
    EXPECT_FALSE(unbound.GetString(KMDcmTag::PatientName, text));
}

TEST(KMDcmDataset, IntegersAreCheckedAgainstTheirRepresentation)
{
    KMDcmFile file;
    KMDcmDataset* ds = file.GetDataset();
    std::string text;
    ASSERT_TRUE(ds->SetInt32(0x00200011, 8001));
    ASSERT_TRUE(ds->GetString(0x00200011, text));
    EXPECT_EQ(text, "8001");
    ASSERT_TRUE(ds->SetInt32(0x00200011, 7));
    ASSERT_TRUE(ds->GetString(0x00200011, text));
    EXPECT_EQ(text, "7") << "index 0 replaces the value";

    ASSERT_TRUE(ds->SetInt32(0x00280010, 512)); // Rows, US
    ASSERT_TRUE(ds->GetString(0x00280010, text));
    EXPECT_EQ(text, "512");
    EXPECT_FALSE(ds->SetInt32(0x00280010, 70000));
    EXPECT_FALSE(ds->SetInt32(0x00280010, -1));
    ASSERT_TRUE(ds->GetString(0x00280010, text));
    EXPECT_EQ(text, "512") << "a refused value changes nothing";

    EXPECT_FALSE(ds->SetInt32(KMDcmTag::PatientName, 1));
    EXPECT_FALSE(ds->SetInt32(0x00200013, 1, -1));
}

TEST(KMDcmDataset, SequenceItemsWriteIntoTheirParent)
{
    TempDir dir;
    const std::string path = dir.File("seq.dcm");
    KMDcmSR sr;
    KMDcmDataset item;
    EXPECT_FALSE(sr.GetDataset()->GetSequenceItem(KMDcmTag::ReferencedImageSequence, item, 0));
    EXPECT_FALSE(sr.GetDataset()->GetOrCreateSequenceItem(KMDcmTag::ReferencedImageSequence, item, -1));
    EXPECT_FALSE(sr.GetDataset()->GetOrCreateSequenceItem(KMDcmTag::PatientName, item, 0));
    EXPECT_FALSE(sr.GetDataset()->GetOrCreateSequenceItem(KMDcmTag::ReferencedImageSequence, item, KMDcmDataset::kMaxCreatedItem + 1));

    // Creating item 2 creates the items before it.
    ASSERT_TRUE(sr.GetDataset()->GetOrCreateSequenceItem(KMDcmTag::ReferencedImageSequence, item, 2));
    const unsigned char jpeg[] = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 0xFF, 0xD9};
    ASSERT_TRUE(item.SetUint8Array(KMDcmTag::EncapsulatedDocument, jpeg, sizeof(jpeg)));
    EXPECT_TRUE(sr.GetDataset()->GetSequenceItem(KMDcmTag::ReferencedImageSequence, item, 1));
    EXPECT_FALSE(sr.GetDataset()->GetSequenceItem(KMDcmTag::ReferencedImageSequence, item, 3));
    ASSERT_TRUE(sr.SaveFile(path.c_str()));

    KMDcmSR loaded;
    ASSERT_TRUE(loaded.LoadFile(path.c_str(), true));
    ASSERT_TRUE(loaded.GetDataset()->GetSequenceItem(KMDcmTag::ReferencedImageSequence, item, 2));
    const unsigned char* data = nullptr;
    unsigned long length = 0;
    ASSERT_TRUE(item.GetUint8Array(KMDcmTag::EncapsulatedDocument, data, length));
    ASSERT_EQ(length, sizeof(jpeg));
    EXPECT_EQ(std::memcmp(data, jpeg, sizeof(jpeg)), 0);
    ASSERT_TRUE(loaded.GetDataset()->GetSequenceItem(KMDcmTag::ReferencedImageSequence, item, 0));
    EXPECT_FALSE(item.GetUint8Array(KMDcmTag::EncapsulatedDocument, data, length));
}

TEST(KMDcmDataset, ByteArraysAreCopiedInAndLentOut)
{
    KMDcmFile file;
    KMDcmDataset* ds = file.GetDataset();
    unsigned char bytes[] = {1, 2, 3, 4};
    ASSERT_TRUE(ds->SetUint8Array(KMDcmTag::EncapsulatedDocument, bytes, sizeof(bytes)));
    bytes[0] = 9;
    const unsigned char* data = nullptr;
    unsigned long length = 0;
    ASSERT_TRUE(ds->GetUint8Array(KMDcmTag::EncapsulatedDocument, data, length));
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(data[0], 1) << "the dataset keeps its own copy";

    EXPECT_FALSE(ds->SetUint8Array(KMDcmTag::EncapsulatedDocument, nullptr, 4));
    EXPECT_FALSE(ds->SetUint8Array(KMDcmTag::PatientName, bytes, sizeof(bytes)));
    ASSERT_TRUE(ds->SetUint8Array(KMDcmTag::EncapsulatedDocument, nullptr, 0));
    ASSERT_TRUE(ds->GetUint8Array(KMDcmTag::EncapsulatedDocument, data, length));
    EXPECT_EQ(length, 0u);
}

TEST(KMDcmDataset, RefusesValuesTheirRepresentationCannotHold)
{
    TempDir dir;
    const std::string path = dir.File("refused.dcm");
    KMDcmFile file;
    KMDcmDataset* ds = file.GetDataset();
    const struct {
        DWORD tag;
        const char* value;
    } kept[] = {{KMDcmTag::PatientName, "Doe^Jane"}, {kStudyDescription, "CT head"}, {KMDcmTag::StudyDate, "20240131"},
                {kRows, "512"}, {KMDcmTag::InstanceNumber, "7"}, {kSliceThickness, "2.5"}};
    for (const auto& k : kept) {
        ASSERT_TRUE(ds->SetString(k.tag, KMString(k.value).c_wstr())) << std::hex << k.tag;
    }

    const std::wstring huge(70000, L'a');
    EXPECT_FALSE(ds->SetString(KMDcmTag::PatientName, huge));
    EXPECT_FALSE(ds->SetString(KMDcmTag::PatientName, huge.c_str()));
    EXPECT_FALSE(ds->SetString(KMDcmTag::PatientName, KMString(huge)));
    EXPECT_FALSE(ds->SetString(KMDcmTag::PatientName, std::string(70000, 'a').c_str()));
    EXPECT_FALSE(ds->SetString(KMDcmTag::PatientName, L"Doe\\Smith"));
    EXPECT_FALSE(ds->SetString(kStudyDescription, std::wstring(100, L'x')));
    EXPECT_FALSE(ds->SetString(KMDcmTag::StudyDate, L"31.01.2024"));
    EXPECT_FALSE(ds->SetString(KMDcmTag::StudyDate, "31.01.2024"));
    for (DWORD tag : {kRows, KMDcmTag::InstanceNumber, kSliceThickness}) {
        EXPECT_FALSE(ds->SetString(tag, L"4\U0001F44Foo")) << std::hex << tag;
        EXPECT_FALSE(ds->SetString(tag, "4\xf0\x9f\x91\x8foo")) << std::hex << tag;
    }

    for (const auto& k : kept) {
        EXPECT_EQ(Narrow(*ds, k.tag), k.value) << "a refused value changes nothing";
    }

    ASSERT_TRUE(file.SaveFile(path.c_str()));
    const std::string dump = DumpUtf8(path);
    EXPECT_TRUE(Holds(dump, "(0010,0010) PN [Doe^Jane]")) << dump;
    EXPECT_TRUE(Holds(dump, "(0028,0010) US 512")) << dump;
    EXPECT_FALSE(Holds(dump, " UN ")) << dump;
}

TEST(KMDcmDataset, WideTextNeverSetsTheCharacterSet)
{
    TempDir dir;
    const std::string path = dir.File("charset.dcm");
    KMDcmFile file;
    KMDcmDataset* ds = file.GetDataset();
    ASSERT_TRUE(ds->SetString(KMDcmTag::PatientName, L"山田^太郎"));
    ASSERT_TRUE(ds->SetString(kStudyDescription, L"Größe"));

    EXPECT_FALSE(ds->SetString(KMDcmTag::SpecificCharacterSet, L"ISO_IR 100"));
    EXPECT_FALSE(ds->SetString(KMDcmTag::SpecificCharacterSet, std::wstring(L"ISO_IR 100")));
    EXPECT_FALSE(ds->SetString(KMDcmTag::SpecificCharacterSet, KMString(L"ISO_IR 100")));
    EXPECT_FALSE(ds->SetString(0x00020010, L"1.2.840.10008.1.2"));

    EXPECT_EQ(Narrow(*ds, KMDcmTag::SpecificCharacterSet), "ISO_IR 192");
    EXPECT_EQ(Wide(*ds, KMDcmTag::PatientName), L"山田^太郎");
    EXPECT_EQ(Wide(*ds, kStudyDescription), L"Größe");
    ASSERT_TRUE(file.SaveFile(path.c_str()));
    const std::string dump = DumpUtf8(path);
    EXPECT_TRUE(Holds(dump, "[山田^太郎]")) << dump;
    EXPECT_TRUE(Holds(dump, "[Größe]")) << dump;
}

// Files in each way of writing text (tests/data/charsets/make-charsets.sh): their values read
// right, and a new text that their character set cannot hold, or that nobody declared, moves the
// document to UTF-8 with every old value converted.
TEST(KMDcmDataset, EveryCharacterSetReadsAndTakesNewText)
{
    struct Case {
        const char* file;
        const wchar_t* name;
        const char* nameUtf8;
        const wchar_t* description;
        const char* charsetAfter;
    };
    const Case cases[] = {
        {"latin1.dcm", L"Müller^Jürgen", "Müller^Jürgen", L"Größe", "ISO_IR 100"},
        {"undeclared.dcm", L"Müller^Jürgen", "Müller^Jürgen", L"Größe", "ISO_IR 192"},
        {"unknown-term.dcm", L"Müller^Jürgen", "Müller^Jürgen", L"Größe", "ISO_IR 192"},
        {"iso2022-jp.dcm", L"Yamada^Tarou=山田^太郎", "Yamada^Tarou=山田^太郎", L"頭部 CT", "ISO_IR 192"},
        {"gb18030.dcm", L"王^小东", "王^小东", L"胸部 CT", "GB18030"},
        {"utf8.dcm", L"Ångström^Zoë", "Ångström^Zoë", L"胸部 CT", "ISO_IR 192"},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        KMDcmFile file;
        ASSERT_TRUE(file.LoadFile(DataFile(std::string("charsets/") + c.file).c_str(), true));
        KMDcmDataset* ds = file.GetDataset();
        EXPECT_EQ(Wide(*ds, KMDcmTag::PatientName), c.name);
        EXPECT_EQ(Wide(*ds, kStudyDescription), c.description);

        ASSERT_TRUE(ds->SetString(KMDcmTag::ReferringPhysicianName, L"Größe^Ärztin"));
        EXPECT_EQ(Wide(*ds, KMDcmTag::ReferringPhysicianName), L"Größe^Ärztin");
        EXPECT_EQ(Wide(*ds, KMDcmTag::PatientName), c.name);
        EXPECT_EQ(Wide(*ds, kStudyDescription), c.description);
        EXPECT_EQ(Narrow(*ds, KMDcmTag::SpecificCharacterSet), c.charsetAfter);

        const std::string path = dir.File(c.file);
        ASSERT_TRUE(file.SaveFile(path.c_str()));
        const std::string dump = DumpUtf8(path);
        EXPECT_TRUE(Holds(dump, std::string("[") + c.nameUtf8 + "]")) << dump;
        EXPECT_TRUE(Holds(dump, "[Größe^Ärztin]")) << dump;
        EXPECT_FALSE(Holds(dump, "\nE: ") || Holds(dump, "\nF: ") || Holds(dump, "\nW: ")) << dump;
    }
}

TEST(KMDcmDataset, TextElementsReadWithVRUNReadAsText)
{
    TempDir dir;
    const std::string path = dir.File("un.dcm");
    KMDcmFile file;
    ASSERT_TRUE(file.LoadFile(DataFile("charsets/un-text.dcm").c_str(), true));
    EXPECT_EQ(Narrow(*file.GetDataset(), KMDcmTag::Modality), "CT");
    EXPECT_EQ(Wide(*file.GetDataset(), KMDcmTag::Modality), L"CT");
    const char* kept = nullptr;
    ASSERT_TRUE(file.GetDataset()->GetString(KMDcmTag::Modality, kept));
    EXPECT_STREQ(kept, "CT");

    ASSERT_TRUE(file.SaveFile(path.c_str()));
    const std::string dump = DumpUtf8(path);
    EXPECT_TRUE(Holds(dump, "(0008,0060) CS [CT]")) << dump;
}

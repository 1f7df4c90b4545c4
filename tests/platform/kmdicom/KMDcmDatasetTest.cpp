#include "platform/kmdicom/KMDcmSR.h"
#include "platform/kmdicom/KMDcmTags.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

using testing_support::TempDir;

namespace {

constexpr DWORD kStudyDescription = 0x00081030;
constexpr DWORD kImageType = 0x00080008;

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

} // namespace

TEST(KMDcmDataset, ReadsNamesInTheirCharacterSets)
{
    KMDcmFile gb;
    Encoded(gb, "GB18030", "\xcd\xf5\x5e\xd0\xa1\xb6\xab");
    EXPECT_EQ(WideName(gb), L"王^小东");

    KMDcmFile latin;
    Encoded(latin, "ISO_IR 100", "M\xfcller^J\xfcrgen");
    EXPECT_EQ(WideName(latin), L"Müller^Jürgen");

    KMDcmFile japanese;
    Encoded(japanese, "\\ISO 2022 IR 87",
            "Yamada^Tarou=\x1b\x24\x42\x3b\x33\x45\x44\x1b\x28\x42^\x1b\x24\x42\x42\x40\x4f\x3a\x1b\x28\x42");
    EXPECT_EQ(WideName(japanese), L"Yamada^Tarou=山田^太郎");

    // Half-width katakana in G1 beside JIS X 0208 kanji and hiragana, as Japanese modalities write.
    KMDcmFile katakana;
    Encoded(katakana, "ISO 2022 IR 13\\ISO 2022 IR 87",
            "\xd4\xcf\xc0\xde^\xc0\xdb\xb3=\x1b$B;3ED\x1b(J^\x1b$BB@O:\x1b(J=\x1b$B$d$^$@\x1b(J^\x1b$B$?$m$&\x1b(J");
    EXPECT_EQ(WideName(katakana), L"ﾔﾏﾀﾞ^ﾀﾛｳ=山田^太郎=やまだ^たろう");

    KMDcmFile unicode;
    Encoded(unicode, "ISO_IR 192", "\xe5\xb1\xb1\xe7\x94\xb0^\xe5\xa4\xaa\xe9\x83\x8e");
    EXPECT_EQ(WideName(unicode), L"山田^太郎");
}

TEST(KMDcmDataset, WritesWideTextInTheDatasetsCharacterSet)
{
    KMDcmFile latin;
    Encoded(latin, "ISO_IR 100", "x");
    ASSERT_TRUE(latin.GetDataset()->SetString(KMDcmTag::PatientName, L"Ångström^Zoë"));
    std::string raw;
    ASSERT_TRUE(latin.GetDataset()->GetString(KMDcmTag::PatientName, raw));
    EXPECT_EQ(raw, "\xc5ngstr\xf6m^Zo\xeb");
    EXPECT_EQ(WideName(latin), L"Ångström^Zoë");

    KMDcmFile gb;
    Encoded(gb, "GB18030", "x");
    ASSERT_TRUE(gb.GetDataset()->SetString(KMDcmTag::PatientName, std::wstring(L"王^小东")));
    ASSERT_TRUE(gb.GetDataset()->GetString(KMDcmTag::PatientName, raw));
    EXPECT_EQ(raw, "\xcd\xf5\x5e\xd0\xa1\xb6\xab");
}

TEST(KMDcmDataset, TextTheCharacterSetCannotHoldMovesTheDatasetToUtf8)
{
    KMDcmFile latin;
    Encoded(latin, "ISO_IR 100", "M\xfcller^J\xfcrgen");
    ASSERT_TRUE(latin.GetDataset()->SetString(kStudyDescription, L"Ré CT"));

    ASSERT_TRUE(latin.GetDataset()->SetString(kStudyDescription, L"胸部 CT"));
    std::string charset;
    ASSERT_TRUE(latin.GetDataset()->GetString(KMDcmTag::SpecificCharacterSet, charset));
    EXPECT_EQ(charset, "ISO_IR 192");
    std::wstring value;
    ASSERT_TRUE(latin.GetDataset()->GetString(kStudyDescription, value));
    EXPECT_EQ(value, L"胸部 CT");
    EXPECT_EQ(WideName(latin), L"Müller^Jürgen") << "the other elements read the same";
    std::string raw;
    ASSERT_TRUE(latin.GetDataset()->GetString(KMDcmTag::PatientName, raw));
    EXPECT_EQ(raw, "M\xc3\xbcller^J\xc3\xbcrgen");

    // A document without a character set holds only ASCII, so it moves to UTF-8 as well.
    KMDcmSR fresh;
    ASSERT_TRUE(fresh.GetDataset()->SetString(KMDcmTag::PatientName, L"山田^太郎"));
    ASSERT_TRUE(fresh.GetDataset()->GetString(KMDcmTag::SpecificCharacterSet, charset));
    EXPECT_EQ(charset, "ISO_IR 192");
    EXPECT_EQ(WideName(fresh), L"山田^太郎");

    // ISO 2022 sets are not written with escape sequences; they move to UTF-8 too.
    KMDcmFile japanese;
    Encoded(japanese, "\\ISO 2022 IR 87", "Yamada^Tarou=\x1b\x24\x42\x3b\x33\x45\x44\x1b\x28\x42");
    ASSERT_TRUE(japanese.GetDataset()->SetString(kStudyDescription, L"頭部"));
    EXPECT_EQ(WideName(japanese), L"Yamada^Tarou=山田");
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
    EXPECT_FALSE(ds->GetString(kImageType, text, -1));
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

#include "platform/kmdicom/KMDcmSR.h"
#include "platform/kmdicom/KMDcmUtil.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>


using testing_support::DataFile;
using testing_support::Quoted;
using testing_support::RunTool;
using testing_support::TempDir;

namespace {

std::wstring Read(bool (KMDcmSR::*getter)(std::wstring&) const, const KMDcmSR& sr)
{
    std::wstring value = L"stale";
    (sr.*getter)(value);
    return value;
}

// A document as a report window starts it, with patient data, ready to be written.
void FillIdentity(KMDcmSR& sr)
{
    KMDcmDataset* ds = sr.GetDataset();
    for (DWORD uidTag : {0x0020000Du, 0x0020000Eu, 0x00080018u}) {
        KMString uid;
        ASSERT_TRUE(KMDcmUtil::GenerateUID(uid));
        ds->SetString(uidTag, uid);
    }
    ds->SetInt32(0x00200013, 1);
    ds->SetInt32(0x00200011, 8001);
    ds->SetString(0x00080023, KMDcmUtil::GetCurrentDcmDate());
    ds->SetString(0x00080033, KMDcmUtil::GetCurrentDcmTime());
    ds->SetString(0x0040A491, "PARTIAL");
    ds->SetString(0x0040A493, "UNVERIFIED");
    ds->SetString(0x00100010, L"Doe^Jane");
    ds->SetString(0x00100020, L"P-0042");
}

} // namespace

TEST(KMDcmSR, VerifiedReportReadsBackInDsrdumpAndItself)
{
    TempDir dir;
    const std::string path = dir.File("report.dcm");
    const struct {
        bool (KMDcmSR::*set)(const wchar_t*);
        bool (KMDcmSR::*get)(std::wstring&) const;
        const wchar_t* value;
    } texts[] = {
        {&KMDcmSR::SetAcquisitionModality, &KMDcmSR::GetAcquisitionModality, L"CT"},
        {&KMDcmSR::SetFinding, &KMDcmSR::GetFinding, L"Small nodule in the right upper lobe."},
        {&KMDcmSR::SetConclusion, &KMDcmSR::GetConclusion, L"Follow-up CT in six months."},
        {&KMDcmSR::SetAuthorObserverName, &KMDcmSR::GetAuthorObserverName, L"Smith^Anna"},
        {&KMDcmSR::SetVerifyingObserverName, &KMDcmSR::GetVerifyingObserverName, L"Brown^Tom"},
        {&KMDcmSR::SetVerifyingOrganization, &KMDcmSR::GetVerifyingOrganization, L"City Hospital Radiology"},
    };
    {
        KMDcmSR sr;
        FillIdentity(sr);
        for (const auto& t : texts) {
            ASSERT_TRUE((sr.*t.set)(t.value)) << KMString(t.value).str();
        }
        ASSERT_TRUE(sr.CompleteDocument());
        ASSERT_TRUE(sr.VerifyDocument());
        ASSERT_TRUE(sr.SaveFile(path.c_str()));
    }

    // dciodvfy's view of the written documents is DocumentValidityTest's; dsrdump reads the tree.
    const auto dump = RunTool("dsrdump +Pl " + Quoted(path) + " 2>&1");
    EXPECT_EQ(dump.nExitCode, 0) << dump.strOutput;
    for (const char* shown : {"Small nodule in the right upper lobe.", "Follow-up CT in six months.", "Smith^Anna"}) {
        EXPECT_NE(dump.strOutput.find(shown), std::string::npos) << dump.strOutput;
    }

    KMDcmSR loaded;
    ASSERT_TRUE(loaded.LoadFile(path.c_str(), true));
    for (const auto& t : texts) {
        EXPECT_EQ(Read(t.get, loaded), t.value);
    }
    EXPECT_EQ(Read(&KMDcmSR::GetVerificationDateTime, loaded).size(), 14u);
    EXPECT_TRUE(loaded.IsCompleted());
    EXPECT_TRUE(loaded.IsVerified());
    std::string modality;
    ASSERT_TRUE(loaded.GetDataset()->GetString(0x00080060, modality));
    EXPECT_EQ(modality, "SR");
}

TEST(KMDcmSR, ContentTextsAreReplacedAndRemoved)
{
    KMDcmSR sr;
    std::wstring value = L"stale";
    EXPECT_FALSE(sr.GetFinding(value));
    EXPECT_EQ(value, L"");

    ASSERT_TRUE(sr.SetConclusion(L"second"));
    ASSERT_TRUE(sr.SetFinding(L"first"));
    ASSERT_TRUE(sr.SetFinding(L"first, edited"));
    EXPECT_EQ(Read(&KMDcmSR::GetFinding, sr), L"first, edited");
    EXPECT_EQ(Read(&KMDcmSR::GetConclusion, sr), L"second");

    // Finding comes before Conclusion whatever the order of writing.
    KMDcmDataset item;
    ASSERT_TRUE(sr.GetDataset()->GetSequenceItem(0x0040A730, item, 0));
    std::wstring text;
    ASSERT_TRUE(item.GetString(0x0040A160, text));
    EXPECT_EQ(text, L"first, edited");

    ASSERT_TRUE(sr.SetFinding(L""));
    EXPECT_FALSE(sr.GetFinding(value));
    EXPECT_EQ(Read(&KMDcmSR::GetConclusion, sr), L"second");
    EXPECT_FALSE(sr.SetFinding(nullptr));
}

TEST(KMDcmSR, VerificationNeedsObserverAndOrganization)
{
    KMDcmSR sr;
    EXPECT_FALSE(sr.VerifyDocument());
    EXPECT_FALSE(sr.IsVerified());
    EXPECT_FALSE(sr.IsCompleted());

    ASSERT_TRUE(sr.SetVerifyingObserverName(L"Brown^Tom"));
    EXPECT_FALSE(sr.VerifyDocument());
    ASSERT_TRUE(sr.SetVerifyingOrganization(L"City Hospital"));
    ASSERT_TRUE(sr.SetVerificationDateTime(L"20260102030405"));
    ASSERT_TRUE(sr.VerifyDocument());
    EXPECT_TRUE(sr.IsVerified());
    EXPECT_TRUE(sr.IsCompleted()) << "a verified document is complete";
    EXPECT_EQ(Read(&KMDcmSR::GetVerificationDateTime, sr), L"20260102030405") << "a given time is kept";

    // Removing every verifier value removes the sequence item.
    ASSERT_TRUE(sr.SetVerifyingObserverName(L""));
    ASSERT_TRUE(sr.SetVerifyingOrganization(L""));
    ASSERT_TRUE(sr.SetVerificationDateTime(L""));
    KMDcmDataset item;
    EXPECT_FALSE(sr.GetDataset()->GetSequenceItem(0x0040A073, item, 0));
}

TEST(KMDcmSR, CopyTakesEveryElementAndTheSourceWins)
{
    KMDcmSR source;
    source.GetDataset()->SetString(0x00100010, L"Source^Name");
    source.GetDataset()->SetString(0x0040A491, "COMPLETE");
    ASSERT_TRUE(source.SetFinding(L"copied finding"));

    KMDcmSR target;
    target.GetDataset()->SetString(0x00100010, L"Target^Name");
    target.GetDataset()->SetString(0x00081030, L"kept study description");
    ASSERT_TRUE(target.SetConclusion(L"replaced with the content"));

    ASSERT_TRUE(target.Copy(source.GetDataset()));
    std::wstring value;
    ASSERT_TRUE(target.GetDataset()->GetString(0x00100010, value));
    EXPECT_EQ(value, L"Source^Name");
    ASSERT_TRUE(target.GetDataset()->GetString(0x00081030, value));
    EXPECT_EQ(value, L"kept study description");
    EXPECT_TRUE(target.IsCompleted());
    EXPECT_EQ(Read(&KMDcmSR::GetFinding, target), L"copied finding");
    EXPECT_FALSE(target.GetConclusion(value)) << "the source's content sequence replaces the target's";

    EXPECT_FALSE(target.Copy(nullptr));
    EXPECT_TRUE(target.Copy(target.GetDataset()));
    EXPECT_EQ(Read(&KMDcmSR::GetFinding, target), L"copied finding");
}

TEST(KMDcmSR, CopyKeepsTextsOfDifferentCharacterSetsReadable)
{
    KMDcmSR source;
    source.GetDataset()->SetString(0x00080005, "ISO_IR 100");
    ASSERT_TRUE(source.GetDataset()->SetString(0x00100010, L"Müller^Jürgen"));

    KMDcmSR target;
    target.GetDataset()->SetString(0x00080005, "GB18030");
    ASSERT_TRUE(target.GetDataset()->SetString(0x00081030, L"胸部 CT 平扫"));

    ASSERT_TRUE(target.Copy(source.GetDataset()));
    std::wstring value;
    ASSERT_TRUE(target.GetDataset()->GetString(0x00100010, value));
    EXPECT_EQ(value, L"Müller^Jürgen");
    ASSERT_TRUE(target.GetDataset()->GetString(0x00081030, value));
    EXPECT_EQ(value, L"胸部 CT 平扫");
}

// An image whose Latin-1 bytes have no declared character set (or an unknown one) becomes a
// report whose texts are declared UTF-8, read as ISO_IR 100 would read them.
TEST(KMDcmSR, CopyOfAnImageWithoutAReadableCharacterSetIsUtf8)
{
    TempDir dir;
    for (const char* name : {"undeclared.dcm", "unknown-term.dcm"}) {
        SCOPED_TRACE(name);
        KMDcmFile image;
        ASSERT_TRUE(image.LoadFile(DataFile(std::string("charsets/") + name).c_str(), true));
        KMDcmSR report;
        FillIdentity(report);
        ASSERT_TRUE(report.GetDataset()->SetString(0x00100010, ""));
        ASSERT_TRUE(report.Copy(image.GetDataset()));
        std::wstring value;
        ASSERT_TRUE(report.GetDataset()->GetString(0x00100010, value));
        EXPECT_EQ(value, L"Müller^Jürgen");
        std::string charset;
        ASSERT_TRUE(report.GetDataset()->GetString(0x00080005, charset));
        EXPECT_EQ(charset, "ISO_IR 192");
        ASSERT_TRUE(report.SetFinding(L"Größe 3 cm"));

        const std::string path = dir.File(name);
        ASSERT_TRUE(report.SaveFile(path.c_str()));
        const auto dump = RunTool("dcmdump +U8 " + Quoted(path) + " 2>&1");
        for (const char* shown : {"[Müller^Jürgen]", "[Größe]", "[Größe 3 cm]"}) {
            EXPECT_NE(dump.strOutput.find(shown), std::string::npos) << dump.strOutput;
        }
    }
}

// Content texts are UT: a long finding is legitimate. Verifier values keep their own VRs.
TEST(KMDcmSR, ContentTextsAreLongAndVerifierValuesAreChecked)
{
    KMDcmSR sr;
    EXPECT_FALSE(sr.SetVerifyingOrganization(std::wstring(100, L'x').c_str()));
    KMDcmDataset verifier;
    EXPECT_FALSE(sr.GetDataset()->GetSequenceItem(0x0040A073, verifier, 0)) << "a refused value leaves no empty verifier";

    std::wstring finding;
    while (finding.size() < 1024 * 1024) {
        finding += L"Line with a backslash \\ and umlauts äöü.\r\n";
    }
    ASSERT_TRUE(sr.SetFinding(finding.c_str()));
    EXPECT_EQ(Read(&KMDcmSR::GetFinding, sr), finding);

    ASSERT_TRUE(sr.SetVerifyingOrganization(L"City Hospital"));
    EXPECT_FALSE(sr.SetVerifyingOrganization(std::wstring(100, L'x').c_str()));
    EXPECT_EQ(Read(&KMDcmSR::GetVerifyingOrganization, sr), L"City Hospital");
    ASSERT_TRUE(sr.SetVerifyingObserverName(L"Brown^Tom"));
    EXPECT_FALSE(sr.SetVerifyingObserverName(L"Brown\\Smith"));
    EXPECT_EQ(Read(&KMDcmSR::GetVerifyingObserverName, sr), L"Brown^Tom");
    EXPECT_FALSE(sr.SetVerificationDateTime(L"31.01.2024 10:00"));
    EXPECT_FALSE(sr.SetAuthorObserverName(std::wstring(65, L'a').c_str()));
    std::wstring author = L"stale";
    EXPECT_FALSE(sr.GetAuthorObserverName(author)) << "a refused content item is not created";
}

TEST(KMDcmSR, LoadingReplacesTheDocument)
{
    TempDir dir;
    const std::string path = dir.File("a.dcm");
    KMDcmSR first;
    FillIdentity(first);
    ASSERT_TRUE(first.SetFinding(L"from file"));
    ASSERT_TRUE(first.SaveFile(path.c_str()));

    KMDcmSR sr;
    ASSERT_TRUE(sr.SetConclusion(L"only in memory"));
    KMDcmDataset* before = sr.GetDataset();
    ASSERT_TRUE(sr.LoadFile(path.c_str(), true));
    EXPECT_EQ(sr.GetDataset(), before);
    EXPECT_EQ(Read(&KMDcmSR::GetFinding, sr), L"from file");
    std::wstring value;
    EXPECT_FALSE(sr.GetConclusion(value));
}

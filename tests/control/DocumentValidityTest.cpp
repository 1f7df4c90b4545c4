// Every kind of document the control writes is valid DICOM: dciodvfy reports no error for it.
#include "control/KMMainWindow.h"
#include "platform/Host.h"
#include "platform/kmdicom/KMDcmSR.h"
#include "support/MainWindowFixture.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

using testing_support::DataFile;
using testing_support::Quoted;
using testing_support::RunTool;
using testing_support::TempDir;

namespace {

constexpr DWORD kFinding = 0x07211001;
constexpr DWORD kConclusion = 0x07211002;
constexpr DWORD kAuthor = 0x07211004;
constexpr DWORD kVerifier = 0x0040A075;
constexpr DWORD kOrganization = 0x0040A027;

void Type(IKMReport* report)
{
    report->SetValue(kFinding, L"Größe 4 mm; 右上叶结节.\nSecond paragraph.");
    report->SetValue(kConclusion, L"Follow-up in 6 months.");
    report->SetValue(kAuthor, L"Doe^John");
}

void NameTheVerifier(IKMReport* report)
{
    report->SetValue(kVerifier, L"Roe^Anna");
    report->SetValue(kOrganization, L"City Hospital");
}

struct Case {
    const char* name;
    // Makes the document to write, through the control, from the control and a scratch folder.
    std::function<IKMReport*(KMMainWindow&, const TempDir&)> make;
};

IKMReport* FromImage(KMMainWindow& main, const char* image)
{
    return main.CreateReportFromImage(DataFile(image).c_str());
}

IKMReport* Verified(KMMainWindow& main)
{
    IKMReport* report = FromImage(main, "ct-image.dcm");
    if (report != nullptr) {
        Type(report);
        NameTheVerifier(report);
        report->CompleteDocument();
        report->VerifyDocument();
    }
    return report != nullptr && report->IsVerified() ? report : nullptr;
}

const Case kCases[] = {
    {"New", [](KMMainWindow& main, const TempDir&) { return FromImage(main, "ct-image.dcm"); }},
    {"TypedInto",
     [](KMMainWindow& main, const TempDir&) {
         IKMReport* report = FromImage(main, "ct-image.dcm");
         if (report != nullptr) {
             Type(report);
             NameTheVerifier(report);
         }
         return report;
     }},
    {"Completed",
     [](KMMainWindow& main, const TempDir&) {
         IKMReport* report = FromImage(main, "ct-image.dcm");
         if (report != nullptr) {
             Type(report);
             NameTheVerifier(report);
             report->CompleteDocument();
         }
         return report;
     }},
    {"Verified", [](KMMainWindow& main, const TempDir&) { return Verified(main); }},
    {"CopiedFromAVerifiedReport",
     [](KMMainWindow& main, const TempDir&) {
         IKMReport* source = Verified(main);
         return source != nullptr ? main.CreateReportFromReport(source) : nullptr;
     }},
    {"Latin1Image", [](KMMainWindow& main, const TempDir&) { return FromImage(main, "charsets/latin1.dcm"); }},
    {"Iso2022Image", [](KMMainWindow& main, const TempDir&) { return FromImage(main, "charsets/iso2022-jp.dcm"); }},
    {"Gb18030Image", [](KMMainWindow& main, const TempDir&) { return FromImage(main, "charsets/gb18030.dcm"); }},
    {"Utf8Image", [](KMMainWindow& main, const TempDir&) { return FromImage(main, "charsets/utf8.dcm"); }},
    {"UndeclaredImage", [](KMMainWindow& main, const TempDir&) { return FromImage(main, "charsets/undeclared.dcm"); }},
    {"ComprehensiveSRFromElsewhere",
     [](KMMainWindow& main, const TempDir&) {
         IKMReport* report = main.OpenReportFile(DataFile("sr/comprehensive-sr.dcm").c_str());
         if (report != nullptr) {
             Type(report);
         }
         return report;
     }},
};

class DocumentValidity : public testing_support::MainWindowFixture<::testing::TestWithParam<Case>> {};

} // namespace

TEST_P(DocumentValidity, SavedDocumentHasNoDciodvfyError)
{
    TempDir dir;
    IKMReport* report = GetParam().make(*m_main, dir);
    ASSERT_NE(report, nullptr);
    const std::string path = dir.File("report.dcm");
    ASSERT_TRUE(report->GetDcmSR()->SaveFile(path.c_str()));
    EXPECT_EQ(testing_support::DciodvfyErrors(path), "");
}

INSTANTIATE_TEST_SUITE_P(Documents, DocumentValidity, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

// The verifier named on an unverified report is kept outside the Verifying Observer Sequence,
// which DICOM allows only in a verified document; it comes back on reopening and moves into the
// sequence at verification.
TEST(UnverifiedVerifier, IsKeptComesBackAndMovesIntoTheSequenceAtVerification)
{
    TempDir dir;
    const std::string path = dir.File("partial.dcm");
    {
        HWND host = platform::CreateHostWindow(800, 600);
        auto main = std::make_unique<KMMainWindow>();
        ASSERT_NE(main->Create(host, 0, 0, 800, 600), nullptr);
        IKMReport* report = main->CreateReportFromImage(DataFile("ct-image.dcm").c_str());
        ASSERT_NE(report, nullptr);
        NameTheVerifier(report);
        KMDcmDataset item;
        EXPECT_FALSE(report->GetDcmSR()->GetDataset()->GetSequenceItem(0x0040A073, item, 0));
        ASSERT_TRUE(report->GetDcmSR()->SaveFile(path.c_str()));
        main.reset();
        DestroyWindow(host);
    }
    EXPECT_EQ(RunTool("dcmdump +P 0040,a073 " + Quoted(path) + " 2>/dev/null").strOutput, "");

    KMDcmSR reopened;
    ASSERT_TRUE(reopened.LoadFile(path.c_str(), true));
    std::wstring value;
    EXPECT_TRUE(reopened.GetVerifyingObserverName(value));
    EXPECT_EQ(value, L"Roe^Anna");
    EXPECT_TRUE(reopened.GetVerifyingOrganization(value));
    EXPECT_EQ(value, L"City Hospital");

    ASSERT_TRUE(reopened.VerifyDocument());
    const std::string verified = dir.File("verified.dcm");
    ASSERT_TRUE(reopened.SaveFile(verified.c_str()));
    const std::string sequence = RunTool("dcmdump +P 0040,a075 +P 0040,a027 " + Quoted(verified)).strOutput;
    EXPECT_NE(sequence.find("Roe^Anna"), std::string::npos) << sequence;
    EXPECT_NE(sequence.find("City Hospital"), std::string::npos) << sequence;
    EXPECT_EQ(RunTool("dsrdump " + Quoted(verified) + " 2>/dev/null | grep -c 'Intended'").strOutput, "0\n")
        << "the waiting names left the content tree";
    EXPECT_EQ(testing_support::DciodvfyErrors(verified), "");
}

// What a document is and what it claims: identities, verification, the QR code and values the
// document cannot hold, as a host sees them through the public interface.
#include "control/IReportCtrl.h"
#include "HostTestSupport.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

using host_test::Data;

constexpr DWORD kPatientName = 0x00100010;
constexpr DWORD kSpecificCharacterSet = 0x00080005;
constexpr DWORD kVerifyingObserverName = 0x0040A075;
constexpr DWORD kVerifyingOrganization = 0x0040A027;
constexpr DWORD kVerificationDateTime = 0x0040A030;
constexpr DWORD kSOPInstanceUID = 0x00080018;
constexpr DWORD kFinding = 0x07211001;

int Shell(const std::string& command)
{
    return std::system(command.c_str());
}

class DocumentIdentity : public host_test::ReportHost {
protected:
    void SetUp() override { OpenControl(800, 1130); }

    std::string File(const char* name) const { return m_dir.File(name); }

    // A saved report whose element `tag` ("(0008,0018)") is made empty by DCMTK's dcmodify.
    std::string SavedWithEmpty(const char* name, const char* tag)
    {
        IKMReport* report = m_ctrl->CreateReportFromImage(Data("ct-image.dcm").c_str());
        EXPECT_NE(report, nullptr);
        const std::string path = File(name);
        EXPECT_TRUE(report->GetDcmSR()->SaveFile(path.c_str()));
        m_ctrl->CloseReport(report);
        EXPECT_EQ(Shell("dcmodify -nb -q -m '" + std::string(tag) + "=' " + path), 0);
        return path;
    }

    // The SOP Instance UIDs the document names as its predecessors, in order.
    static std::vector<std::string> Predecessors(IKMReport* report)
    {
        std::vector<std::string> uids;
        KMDcmDataset study;
        KMDcmDataset series;
        KMDcmDataset sop;
        const KMDcmDataset* root = report->GetDcmSR()->GetDataset();
        for (int s = 0; root->GetSequenceItem(0x0040A360, study, s); ++s) {
            for (int r = 0; study.GetSequenceItem(0x00081115, series, r); ++r) {
                for (int i = 0; series.GetSequenceItem(0x00081199, sop, i); ++i) {
                    std::string uid;
                    sop.GetUID(0x00081155, uid);
                    uids.push_back(uid);
                }
            }
        }
        return uids;
    }

    static std::string Uid(IKMReport* report, DWORD tag = kSOPInstanceUID)
    {
        std::string uid;
        report->GetDcmSR()->GetDataset()->GetUID(tag, uid);
        return uid;
    }

    host_test::Folder m_dir;
};

} // namespace

TEST_F(DocumentIdentity, AKeptInstanceIsNeverChangedUnderItsUid)
{
    host_test::ValueLog heard;
    m_ctrl->AddCallback(&heard);
    IKMReport* report = m_ctrl->CreateReportFromImage(Data("ct-image.dcm").c_str());
    ASSERT_NE(report, nullptr);
    const std::string draft = Uid(report);
    ASSERT_TRUE(report->SetValue(kFinding, L"Draft."));
    EXPECT_EQ(Uid(report), draft) << "a document nobody kept yet changes as it is";

    // Each way a host keeps the instance, then each kind of change: a new version that names
    // every earlier one, in order, in the same series.
    const std::string saved = File("saved.dcm");
    const struct {
        const char* what;
        std::function<void()> keep;
        std::function<void()> change;
    } steps[] = {
        {"saved, then a value", [&] { ASSERT_TRUE(report->GetDcmSR()->SaveFile(saved.c_str())); },
         [&] { ASSERT_TRUE(report->SetValue(kFinding, L"Changed.")); }},
        {"stored elsewhere, then completed", [&] { report->SetModified(false); }, [&] { report->CompleteDocument(); }},
        {"reopened from its file, then verified",
         [&] {
             ASSERT_TRUE(report->GetDcmSR()->SaveFile(saved.c_str()));
             m_ctrl->CloseReport(report);
             report = m_ctrl->OpenReportFile(saved.c_str());
             ASSERT_NE(report, nullptr);
         },
         [&] {
             ASSERT_TRUE(report->SetValue(kVerifyingObserverName, L"Doe^John"));
             ASSERT_TRUE(report->SetValue(kVerifyingOrganization, L"General Hospital"));
             report->VerifyDocument();
         }},
    };
    std::vector<std::string> versions{draft};
    const std::string series = Uid(report, 0x0020000E);
    for (const auto& step : steps) {
        step.keep();
        const std::string kept = Uid(report);
        heard.values.clear();
        step.change();
        EXPECT_NE(Uid(report), kept) << step.what;
        if (kept != versions.back()) {
            versions.push_back(kept);
        }
        EXPECT_EQ(Predecessors(report), versions) << step.what;
        EXPECT_EQ(Uid(report, 0x0020000E), series) << step.what;
        ASSERT_FALSE(heard.values.empty()) << step.what;
        versions.push_back(Uid(report));
        EXPECT_EQ(heard.values.front(), std::make_pair(kSOPInstanceUID, std::wstring(versions.back().begin(), versions.back().end())))
            << "the host hears of the new UID first: " << step.what;
        // Further changes before the next keep stay in that version.
        if (!report->IsVerified()) {
            ASSERT_TRUE(report->SetValue(0x00081030, L"CT chest"));
            EXPECT_EQ(Uid(report), versions.back()) << step.what;
        }
    }
    EXPECT_TRUE(report->IsVerified());
    ASSERT_TRUE(report->GetDcmSR()->SaveFile(saved.c_str()));
    EXPECT_NE(Shell("dciodvfy " + saved + " 2>&1 | grep -q Error"), 0) << "the sequence is as DICOM wants it";

    // The amendment of a verified report is its next version in turn.
    IKMReport* amendment = m_ctrl->CreateReportFromReport(report);
    ASSERT_NE(amendment, nullptr);
    EXPECT_EQ(Predecessors(amendment), versions);
    EXPECT_EQ(Uid(amendment, 0x0020000E), series);
    std::string number;
    amendment->GetDcmSR()->GetDataset()->GetString(0x00200013, number, 0);
    EXPECT_EQ(number, std::to_string(versions.size() + 1));
    m_ctrl->RemoveCallback(&heard);
}

TEST_F(DocumentIdentity, AnEmptyUidIdentifiesNothing)
{
    const std::string first = SavedWithEmpty("first.dcm", "(0008,0018)");
    const std::string second = SavedWithEmpty("second.dcm", "(0008,0018)");
    EXPECT_EQ(m_ctrl->OpenReportFile(first.c_str()), nullptr) << "an SR document needs its SOP Instance UID";
    EXPECT_EQ(m_ctrl->OpenReportFile(second.c_str()), nullptr);
    EXPECT_EQ(m_ctrl->GetReportCount(), 0);

    const std::string image = File("image.dcm");
    ASSERT_EQ(Shell("cp " + Data("ct-image.dcm") + " " + image + " && dcmodify -nb -q -m '(0020,000d)=' " + image), 0);
    EXPECT_EQ(m_ctrl->CreateReportFromImage(image.c_str()), nullptr) << "a report needs the study it is about";
}

TEST_F(DocumentIdentity, ACopyOfAVerifiedReportIsVerifiedByNobody)
{
    IKMReport* source = m_ctrl->CreateReportFromImage(Data("ct-image.dcm").c_str());
    ASSERT_NE(source, nullptr);
    ASSERT_TRUE(source->SetValue(kVerifyingObserverName, L"Doe^John"));
    ASSERT_TRUE(source->SetValue(kVerifyingOrganization, L"General Hospital"));
    source->VerifyDocument();
    ASSERT_TRUE(source->IsVerified());

    IKMReport* copy = m_ctrl->CreateReportFromReport(source);
    ASSERT_NE(copy, nullptr);
    for (DWORD tag : {kVerifyingObserverName, kVerificationDateTime}) {
        std::wstring value;
        copy->GetValue(tag, value);
        EXPECT_EQ(value, L"") << std::hex << tag;
    }
    copy->VerifyDocument();
    EXPECT_FALSE(copy->IsVerified()) << "the copy is unverified, and nobody entered a verifier for it";

    const std::string path = File("copy.dcm");
    ASSERT_TRUE(copy->GetDcmSR()->SaveFile(path.c_str()));
    EXPECT_NE(Shell("dcmdump -q +P 0040,a073 " + path + " | grep -q a073"), 0) << "no Verifying Observer Sequence";
}

TEST_F(DocumentIdentity, ATextThatCannotBecomeAQRCodeClearsTheBox)
{
    IKMReport* report = m_ctrl->CreateReportFromImage(Data("ct-image.dcm").c_str());
    ASSERT_NE(report, nullptr);
    ASSERT_TRUE(report->SetQRCode("first code"));
    EXPECT_FALSE(report->SetQRCode(std::string(8000, 'q').c_str()));

    const std::string pdf = File("page.pdf");
    ASSERT_TRUE(platform::RegisterPdfPrinter("Identity PDF", pdf.c_str()));
    ASSERT_TRUE(m_ctrl->Print("Identity PDF"));
    const std::string png = File("page");
    ASSERT_EQ(Shell("pdftoppm -r 150 -png -singlefile " + pdf + " " + png), 0);
    EXPECT_NE(Shell("zbarimg --quiet --raw " + png + ".png >/dev/null 2>&1"), 0) << "the old code must not print";
}

TEST_F(DocumentIdentity, ValuesTheDocumentCannotHoldAreRefused)
{
    IKMReport* report = m_ctrl->CreateReportFromImage(Data("ct-image.dcm").c_str());
    ASSERT_NE(report, nullptr);
    EXPECT_FALSE(m_ctrl->SetReportValue(kSpecificCharacterSet, L"ISO_IR 100"));
    std::wstring name;
    ASSERT_TRUE(m_ctrl->GetReportValue(kPatientName, name));
    EXPECT_EQ(name, L"Müller^Jürgen") << "the document's texts still read in their own character set";

    const wchar_t lone[] = {L'A', static_cast<wchar_t>(0xD800), L'B', 0};
    EXPECT_FALSE(m_ctrl->SetReportValue(kPatientName, lone)) << "a lone surrogate is no character";
    ASSERT_TRUE(m_ctrl->GetReportValue(kPatientName, name));
    EXPECT_EQ(name, L"Müller^Jürgen");
}

TEST_F(DocumentIdentity, NoReportOnceTheHostDestroyedTheControlsWindow)
{
    DestroyWindow(m_ctrl->GetHWND());
    EXPECT_EQ(m_ctrl->CreateReportFromImage(Data("ct-image.dcm").c_str()), nullptr);
    EXPECT_EQ(m_ctrl->GetReportCount(), 0);
}

// What a document is and what it claims: identities, verification, the QR code and values the
// document cannot hold, as a host sees them through the public interface.
#include "control/IReportCtrl.h"
#include "HostTestSupport.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using host_test::Data;

constexpr DWORD kPatientName = 0x00100010;
constexpr DWORD kSpecificCharacterSet = 0x00080005;
constexpr DWORD kVerifyingObserverName = 0x0040A075;
constexpr DWORD kVerifyingOrganization = 0x0040A027;
constexpr DWORD kVerificationDateTime = 0x0040A030;

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

    host_test::Folder m_dir;
};

} // namespace

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

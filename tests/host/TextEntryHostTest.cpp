// What a person types, and what the host stores, is what the document holds and what the page
// and the print show: driven through the public interface and a person's input.
#include "control/IReportCtrl.h"
#include "HostTestSupport.h"
#include "control/SrCtrl.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using host_test::Data;
using host_test::Output;
using host_test::Pixels;
using host_test::Scratch;

constexpr DWORD kPatientName = 0x00100010;
constexpr DWORD kBodyPart = 0x00180015;
constexpr DWORD kFinding = 0x07211001;
constexpr DWORD kVerifyingObserverName = 0x0040A075;
constexpr DWORD kVerifyingOrganization = 0x0040A027;

class TextEntry : public host_test::ReportHost {
protected:
    // After the focus leaves it, the name field shows what a page built afresh from the document shows.
    void ExpectNameFieldShowsTheDocument()
    {
        const RECT nameField{140, 64, 580, 90};
        platform::Click(m_host, 300, 350);
        const std::vector<DWORD> shown = Pixels(m_host, nameField);
        ASSERT_TRUE(m_ctrl->ApplyTemplate(Data("templates/body-fields.xml").c_str()));
        EXPECT_EQ(Pixels(m_host, nameField), shown) << "the field shows what the document holds";
    }

    std::string PrintedText()
    {
        const std::string pdf = Scratch("text-entry.pdf");
        EXPECT_TRUE(platform::RegisterPdfPrinter("Text Entry PDF", pdf.c_str()));
        EXPECT_TRUE(m_ctrl->Print("Text Entry PDF"));
        return Output("pdftotext -q " + pdf + " - && rm -f " + pdf);
    }

    // What an outside tool says of the active document, saved to a scratch file.
    std::string SavedAnd(const std::string& tool)
    {
        const std::string path = Scratch("text-entry.dcm");
        EXPECT_TRUE(m_report->GetDcmSR()->SaveFile(path.c_str()));
        const std::string said = Output(tool + " " + path + " 2>&1");
        std::remove(path.c_str());
        return said;
    }
};

// The patient name of the default template's attribute list, at a zoom of 1 in an 800-wide window.
const RECT kAttributeName{180, 142, 396, 166};

} // namespace

TEST_F(TextEntry, TheAttributeListShowsTheDocumentAndTakesNoInput)
{
    Open(800, 1130, nullptr);
    const std::vector<DWORD> before = Pixels(m_host, kAttributeName);
    ASSERT_TRUE(m_ctrl->SetReportValue(kPatientName, L"Doe^Jane"));
    const std::vector<DWORD> shown = Pixels(m_host, kAttributeName);
    EXPECT_NE(shown, before) << "the page follows the document";
    ASSERT_TRUE(m_ctrl->ApplyTemplate(nullptr));
    EXPECT_EQ(Pixels(m_host, kAttributeName), shown) << "and shows what a page built afresh shows";

    m_heard.values.clear();
    for (bool enabled : {true, false, true}) {
        m_report->EnableUI(enabled);
        platform::Click(m_host, 288, 154);
        platform::TypeText(m_host, L"X");
        platform::PressKey(m_host, platform::Key::Backspace);
    }
    EXPECT_EQ(Value(kPatientName), L"Doe^Jane");
    EXPECT_TRUE(m_heard.values.empty());
    EXPECT_EQ(Pixels(m_host, kAttributeName), shown);

    const std::string printed = PrintedText();
    EXPECT_NE(printed.find("Jane Doe"), std::string::npos) << printed;
    EXPECT_EQ(printed.find("Müller"), std::string::npos) << "the print shows the document's name only";
}

TEST_F(TextEntry, APickedItemOfAnEditableComboIsStoredAsTypedTextIs)
{
    Open(600, 400, "templates/body-fields.xml");
    ASSERT_TRUE(platform::Click(m_host, 572, 145));
    ASSERT_TRUE(platform::Click(m_host, 300, 197));
    EXPECT_EQ(Value(kBodyPart), L"HEAD");
    ASSERT_FALSE(m_heard.values.empty());
    EXPECT_EQ(m_heard.values.back(), std::make_pair(kBodyPart, std::wstring(L"HEAD")));
}

TEST_F(TextEntry, AVerifiedReportIsReadOnlyAndAmendedThroughACopy)
{
    Open(800, 1130, nullptr);
    ASSERT_TRUE(platform::Click(m_host, 400, 720));
    ASSERT_TRUE(platform::TypeText(m_host, L"Stable."));
    ASSERT_TRUE(m_report->SetValue(kVerifyingObserverName, L"Doe^John"));
    ASSERT_TRUE(m_report->SetValue(kVerifyingOrganization, L"General Hospital"));
    m_report->VerifyDocument();
    ASSERT_TRUE(m_report->IsVerified());

    m_heard.values.clear();
    EXPECT_FALSE(m_report->SetValue(kFinding, L"Changed."));
    EXPECT_FALSE(m_ctrl->SetReportValue(kPatientName, L"Doe^Jane"));
    m_report->EnableUI(true);
    platform::Click(m_host, 400, 720);
    platform::TypeText(m_host, L" Typed later.");
    EXPECT_EQ(Value(kFinding), L"Stable.");
    EXPECT_EQ(Value(kPatientName), L"Müller^Jürgen");
    EXPECT_TRUE(m_heard.values.empty());

    IKMReport* amendment = m_ctrl->CreateReportFromReport(m_report);
    ASSERT_NE(amendment, nullptr);
    EXPECT_TRUE(amendment->SetValue(kFinding, L"Stable. Amended."));
    std::wstring finding;
    m_report->GetValue(kFinding, finding);
    EXPECT_EQ(finding, L"Stable.");
}

namespace {

constexpr DWORD kStudyDate = 0x00080020;
// The study date field of the body-fields template in a 600 x 400 window.
const RECT kDateField{140, 98, 580, 124};

int RedPixels(HWND host, RECT rc)
{
    int red = 0;
    for (DWORD pixel : Pixels(host, rc)) {
        const int r = static_cast<int>((pixel >> 16) & 0xFF);
        const int g = static_cast<int>((pixel >> 8) & 0xFF);
        red += r > 180 && g < 90 ? 1 : 0;
    }
    return red;
}

} // namespace

TEST_F(TextEntry, ADateThatIsNoDateIsShownAsSuchAndNeverStored)
{
    // A document from elsewhere whose study date is no calendar date.
    Open(600, 400, "templates/body-fields.xml");
    const std::string path = Scratch("text-entry-date.dcm");
    ASSERT_TRUE(m_report->GetDcmSR()->SaveFile(path.c_str()));
    m_ctrl->CloseReport(m_report);
    ASSERT_EQ(std::system(("dcmodify -nb -q -m '(0008,0020)=20230229' " + path).c_str()), 0);
    m_report = m_ctrl->OpenReportFile(path.c_str());
    std::remove(path.c_str());
    ASSERT_NE(m_report, nullptr);
    EXPECT_GT(RedPixels(m_host, kDateField), 100) << "the field says that its text is no date";

    m_heard.values.clear();
    ASSERT_TRUE(platform::Click(m_host, 300, 111));
    ASSERT_TRUE(platform::Click(m_host, 300, 250));
    EXPECT_EQ(Value(kStudyDate), L"20230229") << "leaving the field stores no other date";
    EXPECT_TRUE(m_heard.values.empty());

    // A typed date that does not exist is not stored either, and stays marked.
    Retype(300, 111, L"2024-13-45");
    ASSERT_TRUE(platform::Click(m_host, 300, 250));
    EXPECT_EQ(Value(kStudyDate), L"20230229");
    EXPECT_TRUE(m_heard.values.empty());
    EXPECT_GT(RedPixels(m_host, kDateField), 100);
}

TEST_F(TextEntry, ATypedDateIsStoredBeforeAnyOperationSeesTheDocument)
{
    Open(600, 400, "templates/body-fields.xml");
    const auto typeDate = [&](const wchar_t* date) { Retype(300, 111, date); };
    typeDate(L"2024-02-29");
    std::wstring value;
    ASSERT_TRUE(m_ctrl->GetReportValue(kStudyDate, value));
    EXPECT_EQ(value, L"20240229") << "reading the report";

    typeDate(L"2024-03-01");
    ASSERT_TRUE(m_ctrl->ApplyTemplate(Data("templates/body-fields.xml").c_str()));
    EXPECT_EQ(Value(kStudyDate), L"20240301") << "rebuilding the page";

    typeDate(L"2024-03-02");
    const std::string dump = SavedAnd("dcmdump -q +P 0008,0020");
    EXPECT_NE(dump.find("20240302"), std::string::npos) << "saving the document: " << dump;

    typeDate(L"2024-03-03");
    IKMReport* other = m_ctrl->CreateReportFromImage(Data("ct-image.dcm").c_str());
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(Value(kStudyDate), L"20240303") << "switching to another report";
}

// A keystroke into a long finding does not copy the whole text to the document and the host:
// the finding is told when typing pauses, and before anything reads or leaves the report.
TEST_F(TextEntry, ALongFindingIsToldWhenTypingPausesAndNeverLost)
{
    Open(600, 400, "templates/body-fields.xml");
    // Typed with line feeds; the document breaks lines as DICOM's texts do.
    std::wstring text;
    std::wstring stored;
    while (text.size() < 70000) {
        text += L"Liver normal in size, no focal lesion.\n";
        stored += L"Liver normal in size, no focal lesion.\r\n";
    }
    ASSERT_TRUE(m_ctrl->SetReportValue(kFinding, text.c_str()));
    m_report->SetModified(false);
    ASSERT_TRUE(platform::Click(m_host, 300, 230));
    ASSERT_TRUE(platform::PressKey(m_host, platform::Key::End, platform::Modifiers::Ctrl));
    m_heard.values.clear();

    ASSERT_TRUE(platform::TypeText(m_host, L"abc"));
    EXPECT_TRUE(m_heard.values.empty()) << "no copy of the whole text at each keystroke";
    EXPECT_TRUE(m_report->IsModified()) << "yet the report is modified at once";
    platform::AdvanceTime(300);
    // The first change after SetModified(false) gives the document a new version; the host
    // hears its UID, then the finding.
    ASSERT_EQ(m_heard.values.size(), 2u) << "one pause, one value";
    EXPECT_EQ(m_heard.values[0].first, 0x00080018u);
    EXPECT_EQ(m_heard.values[1].second, stored + L"abc");

    ASSERT_TRUE(platform::TypeText(m_host, L"d"));
    EXPECT_EQ(Value(kFinding), stored + L"abcd") << "reading the report";
    ASSERT_TRUE(platform::TypeText(m_host, L"e"));
    std::wstring saved;
    ASSERT_TRUE(m_report->GetDcmSR()->GetFinding(saved));
    EXPECT_EQ(saved, stored + L"abcde") << "taking the document to save it";
    ASSERT_TRUE(platform::TypeText(m_host, L"f"));
    ASSERT_TRUE(platform::Click(m_host, 300, 77));
    EXPECT_EQ(m_heard.values.back().second, stored + L"abcdef") << "the focus leaving";
    ASSERT_TRUE(platform::Click(m_host, 300, 230));
    ASSERT_TRUE(platform::PressKey(m_host, platform::Key::End, platform::Modifiers::Ctrl));
    ASSERT_TRUE(platform::TypeText(m_host, L"g"));
    ASSERT_NE(m_ctrl->CreateReportFromImage(Data("ct-image.dcm").c_str()), nullptr);
    m_ctrl->ActivateReportAt(0);
    EXPECT_EQ(Value(kFinding), stored + L"abcdefg") << "switching to another report";
}

// A copy taken while typing goes on (an autosave) takes nothing in: it is the document as it
// stood and, beside it, the typing in the document's form. Opened again, it is the report with
// that typing, under the identity the report had: a version never stored goes on as itself, a
// kept one changes only as its next version.
TEST_F(TextEntry, ASnapshotKeepsTypingBesideTheDocumentAndOpensAsTheReport)
{
    constexpr DWORD kSOPInstanceUID = 0x00080018;
    Open(600, 400, "templates/body-fields.xml");
    std::wstring stored;
    while (stored.size() < 70000) {
        stored += L"Liver normal in size, no focal lesion.\r\n";
    }
    ASSERT_TRUE(m_ctrl->SetReportValue(kFinding, stored.c_str()));
    ASSERT_TRUE(platform::Click(m_host, 300, 230));
    ASSERT_TRUE(platform::PressKey(m_host, platform::Key::End, platform::Modifiers::Ctrl));
    ASSERT_TRUE(platform::TypeText(m_host, L"abc"));
    m_heard.values.clear();

    KMReportSnapshot typing;
    ASSERT_TRUE(m_report->GetSnapshot(typing));
    EXPECT_TRUE(m_heard.values.empty()) << "nothing is taken in";
    EXPECT_FALSE(typing.bInstanceKept);
    EXPECT_EQ(typing.dwPendingTag, kFinding);
    EXPECT_TRUE(typing.strPendingText == stored + L"abc") << "the typing as the document would hold it";
    KMDcmSR asItStood;
    std::wstring value;
    ASSERT_TRUE(asItStood.LoadFromBuffer(typing.strDocument.data(), typing.strDocument.size()));
    ASSERT_TRUE(asItStood.GetFinding(value));
    EXPECT_TRUE(value == stored) << "the document as it stood";

    // Once taken in the document holds it all; a date being typed comes beside it, also in a
    // report declared stored.
    const std::wstring typed = Value(kFinding);
    const std::wstring draft = Value(kSOPInstanceUID);
    KMReportSnapshot dated;
    ASSERT_TRUE(m_report->GetSnapshot(dated));
    EXPECT_EQ(dated.dwPendingTag, 0u);
    EXPECT_TRUE(dated.strPendingText.empty());
    Retype(300, 111, L"2024-02-29");
    m_report->SetModified(false);
    ASSERT_TRUE(m_report->GetSnapshot(dated));
    EXPECT_TRUE(dated.bInstanceKept);
    EXPECT_EQ(dated.dwPendingTag, kStudyDate);
    EXPECT_EQ(dated.strPendingText, L"20240229");

    // The report gone (a crash), each copy opens as the report it was.
    m_ctrl->CloseReport(m_report);
    IKMReport* copy = m_ctrl->OpenReportSnapshot(typing);
    ASSERT_NE(copy, nullptr) << SrCtrlGetLastError();
    std::wstring uid;
    ASSERT_TRUE(copy->GetValue(kFinding, value) && copy->GetValue(kSOPInstanceUID, uid));
    EXPECT_TRUE(value == typed && typed == stored + L"abc") << "the copy with its typing is the report";
    EXPECT_EQ(uid, draft) << "a version never stored goes on as itself";
    m_ctrl->CloseReport(copy);
    copy = m_ctrl->OpenReportSnapshot(dated);
    ASSERT_NE(copy, nullptr) << SrCtrlGetLastError();
    ASSERT_TRUE(copy->GetValue(kStudyDate, value) && copy->GetValue(kSOPInstanceUID, uid));
    EXPECT_EQ(value, L"20240229");
    EXPECT_NE(uid, draft) << "a kept instance changes as its next version";

    KMReportSnapshot noDocument;
    EXPECT_EQ(m_ctrl->OpenReportSnapshot(noDocument), nullptr);
    EXPECT_NE(std::string(SrCtrlGetLastError()).find("the buffer: empty file"), std::string::npos) << SrCtrlGetLastError();
}

TEST_F(TextEntry, ABackslashNeverSplitsASingleValuedField)
{
    Open(600, 400, "templates/body-fields.xml");
    EXPECT_FALSE(m_ctrl->SetReportValue(kPatientName, L"Org\\Two")) << "a name holds one value";
    ASSERT_TRUE(platform::Click(m_host, 400, 77));
    platform::PressKey(m_host, platform::Key::End);
    platform::TypeText(m_host, L"\\Two");
    // Typed after the name as the field shows it, "Jürgen Müller".
    EXPECT_EQ(Value(kPatientName), L"MüllerTwo^Jürgen") << "the backslash was refused, nothing else";
    for (const auto& [tag, value] : m_heard.values) {
        EXPECT_EQ(value.find(L'\\'), std::wstring::npos) << "the host was told of a split value";
    }
    ExpectNameFieldShowsTheDocument();
}

TEST_F(TextEntry, NothingBeyondWhatTheElementCanHoldIsStoredOrShown)
{
    Open(600, 400, "templates/body-fields.xml");
    EXPECT_FALSE(m_ctrl->SetReportValue(0x00081040, std::wstring(100, L'x').c_str()));
    EXPECT_NE(std::string(SrCtrlGetLastError()).find("longer than 64 characters"), std::string::npos)
        << SrCtrlGetLastError();
    EXPECT_FALSE(m_ctrl->SetReportValue(0x00080020, L"31.01.2024"));
    EXPECT_EQ(Value(0x00080020), L"20261120");

    // A person types far more than a name may hold: what the document keeps is what the field shows.
    ASSERT_TRUE(platform::Click(m_host, 400, 77));
    platform::PressKey(m_host, platform::Key::End);
    platform::TypeText(m_host, std::wstring(100, L'a').c_str());
    const std::wstring name = Value(kPatientName);
    EXPECT_LE(name.size(), 64u);
    ExpectNameFieldShowsTheDocument();

    const std::string verified = SavedAnd("dciodvfy");
    EXPECT_EQ(("\n" + verified).find("\nError"), std::string::npos) << "dciodvfy finds no error in what was stored:\n" << verified;
}

TEST_F(TextEntry, TextInEveryScriptRoundTripsIntoTheSavedFile)
{
    Open(800, 1130, nullptr);
    ASSERT_TRUE(platform::Click(m_host, 400, 720));
    ASSERT_TRUE(platform::TypeText(m_host, L"肺结节 한국어 مرحبا"));
    platform::PressKey(m_host, platform::Key::Home);
    ASSERT_TRUE(platform::TypeText(m_host, L"שלום "));
    platform::PressKey(m_host, platform::Key::End);
    ASSERT_TRUE(platform::TypeText(m_host, L" Ελληνικά Кириллица 👏x"));
    platform::PressKey(m_host, platform::Key::Backspace);
    platform::PressKey(m_host, platform::Key::Backspace);
    // The space left at the end is padding to DICOM: the document drops it.
    EXPECT_EQ(Value(kFinding), L"שלום 肺结节 한국어 مرحبا Ελληνικά Кириллица") << "typed as an editor leaves it";

    const std::string text = SavedAnd("dcmdump -q +U8 +L");
    EXPECT_NE(text.find("שלום 肺结节 한국어 مرحبا Ελληνικά Кириллица"), std::string::npos) << text;
}

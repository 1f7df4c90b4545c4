#include "control/IKMReportWindowCallback.h"
#include "platform/Host.h"
#include "platform/duilib/CContainerUI.h"
#include "platform/duilib/CEditUI.h"
#include "platform/kmbase/KMLastError.h"
#include "report/KMReportWindow.h"
#include "support/SRDocuments.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

class Events : public IKMReportWindowCallback {
public:
    void OnReportValueChanged(IKMReport*, DWORD tag, const wchar_t* value) override
    {
        log.push_back("Value:" + std::to_string(tag) + "=" + KMString(value).str());
    }
    void OnDocumentCompleted(IKMReport*) override { log.push_back("Completed"); }
    void OnDocumentVerified(IKMReport*) override { log.push_back("Verified"); }
    void OnModifiedChanged(IKMReport*) override { log.push_back("Modified"); }
    void OnLayoutChanged(IKMReport*) override { log.push_back("Layout"); }
    std::vector<std::string> log;
};

std::string Skin(const char* name)
{
    return std::string(SRCTRL_SOURCE_DIR) + "/skin/srctrl/" + name;
}

class ReportWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_host = platform::CreateHostWindow(800, 600);
        m_report = std::make_unique<KMReportWindow>();
        ASSERT_NE(m_report->Create(m_host, L"KMSRDOcWindow", WS_CHILD | WS_VISIBLE, WS_EX_ACCEPTFILES, 0, 0, 800, 600),
                  nullptr);
        m_report->m_pCallback = &m_events;
    }
    void TearDown() override
    {
        m_report.reset();
        DestroyWindow(m_host);
    }

    std::string Text(DWORD tag)
    {
        std::wstring value;
        m_report->GetValue(tag, value);
        return KMString(value).str();
    }

    HWND m_host = nullptr;
    std::unique_ptr<KMReportWindow> m_report;
    Events m_events;
};

using Log = std::vector<std::string>;

} // namespace

TEST_F(ReportWindowTest, TemplateOperationsNeedALoadedTemplate)
{
    std::vector<std::string> names;
    EXPECT_FALSE(m_report->SetLogoVisible(false));
    EXPECT_FALSE(m_report->GetImageLayoutList(names));
    EXPECT_FALSE(m_report->LoadTemplate(nullptr));
    EXPECT_TRUE(m_events.log.empty());
    EXPECT_FALSE(m_report->LoadTemplate("/no/such/template.xml"));
    EXPECT_EQ(m_events.log, Log{"Layout"}) << "a failed load is still told";

    ASSERT_TRUE(m_report->LoadTemplate(Skin("default_template.xml").c_str()));
    m_events.log.clear();
    ASSERT_TRUE(m_report->SetLogoVisible(false));
    EXPECT_TRUE(m_events.log.empty()) << "the logo changes no image box";
    EXPECT_FALSE(m_report->IsLogoVisible());
    ASSERT_TRUE(m_report->SetImageLayout(2));
    EXPECT_EQ(m_events.log, Log{"Layout"});
    EXPECT_EQ(m_report->GetImageBoxCount(), 4);
    ASSERT_TRUE(m_report->SetImageVisible(false));
    EXPECT_EQ(m_report->GetImageBoxCount(), 0);
    EXPECT_FALSE(m_report->IsModified()) << "template changes are not document changes";
}

TEST_F(ReportWindowTest, ValuesAreRoutedStoredShownAndReported)
{
    ASSERT_TRUE(m_report->LoadTemplate(Skin("default_template.xml").c_str()));
    m_events.log.clear();
    ASSERT_TRUE(m_report->SetValue(0x07211001, L"Finding text"));
    EXPECT_EQ(Text(0x07211001), "Finding text");
    std::wstring finding;
    ASSERT_TRUE(m_report->GetDcmSR()->GetFinding(finding));
    EXPECT_EQ(finding, L"Finding text") << "stored in the SR content, not as an element";
    EXPECT_EQ(m_events.log, (Log{"Value:119607297=Finding text", "Modified"}));

    m_events.log.clear();
    m_report->OnValueChanged(0x07211001, L"Finding text");
    EXPECT_TRUE(m_events.log.empty()) << "an edit to the stored text stores nothing";
    m_report->OnValueChanged(0x00100010, L"Doe^Jane");
    EXPECT_EQ(m_events.log, Log{"Value:1048592=Doe^Jane"});
    EXPECT_EQ(Text(0x00100010), "Doe^Jane");

    m_events.log.clear();
    m_report->SetModified(true);
    EXPECT_TRUE(m_events.log.empty());
    m_report->SetModified(false);
    m_report->SetModified(false);
    EXPECT_EQ(m_events.log, Log{"Modified"});
    EXPECT_FALSE(m_report->SetValue(0x07211099, L"an unknown private tag"));

    // Without a listener the same operations run silently.
    m_report->m_pCallback = nullptr;
    m_events.log.clear();
    ASSERT_TRUE(m_report->SetValue(0x00100020, L"P-1"));
    EXPECT_TRUE(m_report->IsModified());
    EXPECT_TRUE(m_events.log.empty());
}

TEST_F(ReportWindowTest, CompletionAndVerificationAreToldOnce)
{
    m_report->VerifyDocument();
    EXPECT_TRUE(m_events.log.empty()) << "without a verifying observer nothing is verified, nor told";
    EXPECT_FALSE(m_report->IsVerified());
    EXPECT_FALSE(m_report->IsModified());

    m_report->CompleteDocument();
    m_report->CompleteDocument();
    EXPECT_EQ(m_events.log, (Log{"Modified", "Completed"}));
    ASSERT_TRUE(m_report->SetValue(0x0040A075, L"Brown^Tom"));
    ASSERT_TRUE(m_report->SetValue(0x0040A027, L"City Hospital"));
    m_events.log.clear();
    m_report->VerifyDocument();
    m_report->VerifyDocument();
    EXPECT_EQ(m_events.log, Log{"Verified"});
    EXPECT_TRUE(m_report->IsVerified());
    EXPECT_TRUE(m_report->m_pm.FindControl(L"verifiedCtrl")->IsVisible());
}

TEST_F(ReportWindowTest, ImagesAreStoredAsJpegAndShown)
{
    ASSERT_TRUE(m_report->LoadTemplate(Skin("default_template.xml").c_str()));
    std::vector<BYTE> pixels(64 * 64 * 4, 0);
    for (size_t i = 0; i < pixels.size(); i += 4) {
        pixels[i + 2] = 0xFF;
        pixels[i + 3] = 0xFF;
    }
    HBITMAP red = CreateBitmap(64, 64, 1, 32, pixels.data());
    EXPECT_FALSE(m_report->SetImage(2, red));
    EXPECT_FALSE(m_report->SetImage(-1, red));
    EXPECT_FALSE(m_report->SetImage(0, nullptr));
    KMDcmDataset item;
    EXPECT_FALSE(m_report->GetDcmSR()->GetDataset()->GetSequenceItem(0x00081140, item, 0)) << "nothing stored";

    ASSERT_TRUE(m_report->SetImage(1, red));
    DeleteObject(red);
    ASSERT_TRUE(m_report->GetDcmSR()->GetDataset()->GetSequenceItem(0x00081140, item, 1));
    const unsigned char* jpeg = nullptr;
    unsigned long length = 0;
    ASSERT_TRUE(item.GetUint8Array(0x00420011, jpeg, length));
    EXPECT_EQ(jpeg[0], 0xFF);
    EXPECT_EQ(jpeg[1], 0xD8);
    EXPECT_TRUE(m_report->IsModified());

    // A rebuilt page shows the document's picture again.
    ASSERT_TRUE(m_report->SetLogoVisible(false));
    HBITMAP shot = platform::CaptureWindow(m_host);
    EXPECT_GT(testing_support::CountPixels(shot, RECT{0, 0, 800, 600}, 0xFFFF0000, 40), 1000);
    DeleteObject(shot);
}

TEST_F(ReportWindowTest, ARebuiltPageIsEnabledAsItsTemplateSays)
{
    ASSERT_TRUE(m_report->LoadTemplate(Skin("default_template.xml").c_str()));
    ASSERT_TRUE(m_report->EnableUI(false));
    auto* page = dynamic_cast<DuiLib::CContainerUI*>(m_report->m_pPage);
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(m_report->SetLogoVisible(false));
    std::vector<DuiLib::CControlUI*> stack{m_report->m_pPage};
    int disabled = 0;
    while (!stack.empty()) {
        DuiLib::CControlUI* control = stack.back();
        stack.pop_back();
        disabled += control->IsEnabled() ? 0 : 1;
        // The attribute list's fields only show values: they are never enabled.
        auto* container = dynamic_cast<DuiLib::CContainerUI*>(control);
        if (container != nullptr && container->GetName().Str() != L"RT_ATTRLIST") {
            for (int i = 0; i < container->GetCount(); ++i) {
                stack.push_back(container->GetItemAt(i));
            }
        }
    }
    EXPECT_EQ(disabled, 0);
}

TEST_F(ReportWindowTest, FitModeOneFitsThePageIntoTheArea)
{
    EXPECT_NEAR(m_report->m_pm.GetZoomRatio(), 598.0f / 1123.0f, 1e-5);
    MoveWindow(m_report->GetHWND(), 0, 0, 1000, 3000, TRUE);
    EXPECT_NEAR(m_report->m_pm.GetZoomRatio(), 998.0f / 794.0f, 1e-5);
    m_report->m_nFitMode = 0;
    m_report->m_pm.SetZoomRatio(0.5f);
    m_report->FitPage();
    EXPECT_FLOAT_EQ(m_report->m_pm.GetZoomRatio(), 0.5f);
    EXPECT_EQ(m_report->m_pm.FindControl(L"pagePanel")->GetFixedWidth(), 397);
}

namespace {

// The first control at or below `control` whose user data is `key` ("0721,1001"), or whose name
// is it, or, for no key, the first edit.
DuiLib::CControlUI* Find(DuiLib::CControlUI* control, const wchar_t* key)
{
    const bool found = *key == L'\0' ? dynamic_cast<DuiLib::CEditUI*>(control) != nullptr
                                      : control->GetUserData().Str() == key || control->GetName().Str() == key;
    if (found) {
        return control;
    }
    auto* container = dynamic_cast<DuiLib::CContainerUI*>(control);
    for (int i = 0; container != nullptr && i < container->GetCount(); ++i) {
        if (DuiLib::CControlUI* found = Find(container->GetItemAt(i), key)) {
            return found;
        }
    }
    return nullptr;
}

} // namespace

// A report from elsewhere whose Finding is several items: the field only shows them and the page
// says why; what no field shows is in the page's content region, or, on a page without one, in
// the Finding field after its own text.
TEST_F(ReportWindowTest, AFieldOfSeveralItemsOnlyShowsThemAndThePageSaysWhy)
{
    using namespace testing_support;
    TempDir dir;
    const std::string path = dir.File("foreign.dcm");
    ASSERT_EQ(WriteSR(path, SRShape("Basic Text SR", SRContainer("CONTAINS", "121070,DCM,Findings",
                                                                 SRText("CONTAINS", "121071,DCM,Finding", "First.") +
                                                                     SRText("CONTAINS", "121071,DCM,Finding", "Second.")) +
                                                         SRImage("CONTAINS", "1.2.826.0.1.3680043.10.2222.77"))),
              "");
    ASSERT_TRUE(m_report->GetDcmSR()->LoadFile(path.c_str(), true));
    for (const char* templatePath : {"skin", "body-fields"}) {
        SCOPED_TRACE(templatePath);
        ASSERT_TRUE(m_report->LoadTemplate(std::string(templatePath) == "skin" ? Skin("default_template.xml").c_str()
                                                                               : DataFile("templates/body-fields.xml").c_str()));
        auto* finding = dynamic_cast<DuiLib::CEditUI*>(Find(m_report->m_pPage, L"0721,1001"));
        ASSERT_NE(finding, nullptr);
        EXPECT_TRUE(finding->IsReadOnly());
        const std::wstring shown = finding->GetText().Str();
        EXPECT_NE(shown.find(L"  Finding: First.\n  Finding: Second."), std::wstring::npos);
        DuiLib::CControlUI* region = Find(m_report->m_pPage, L"RT_CONTENT");
        const std::wstring other = region != nullptr ? Find(region, L"")->GetText().Str() : shown;
        EXPECT_NE(other.find(L"IMAGE: CT Image Storage 1.2.826.0.1.3680043.10.2222.77"), std::wstring::npos) << KMString(other).str();
        if (region != nullptr) {
            EXPECT_TRUE(region->IsVisible());
            EXPECT_EQ(other.find(L"The finding cannot be changed here: the document holds it as 2 items"), 0u);
        }
        EXPECT_FALSE(m_report->SetValue(0x07211001, L"Changed."));
        EXPECT_NE(std::string(KMLastError::Get()).find("holds it as 2 items"), std::string::npos) << KMLastError::Get();
    }
}

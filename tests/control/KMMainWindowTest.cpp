#include "control/KMMainWindow.h"
#include "platform/Host.h"
#include "platform/kmdicom/KMDcmUtil.h"
#include "report/KMReportWindow.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

using testing_support::CountPixels;

namespace {

// Writes down the notifications as "Name:index" (the report's index at that moment, or -1).
class Recorder : public IReportCtrlCallback {
public:
    explicit Recorder(IReportCtrl* ctrl) : m_pCtrl(ctrl) {}

    void OnReportValueChanged(IKMReport* r, DWORD, const wchar_t*) override { Log("Value", r); }
    void OnActiveReportChanged(IKMReport* r) override { Log("Active", r); }
    void OnReportAdded(IKMReport* r) override { Log("Added", r); }
    void OnReportClosing(IKMReport* r) override { Log("Closing", r); }
    void OnDocumentCompleted(IKMReport* r) override { Log("Completed", r); }
    void OnDocumentVerified(IKMReport* r) override { Log("Verified", r); }
    void OnModifiedChanged(IKMReport* r) override { Log("Modified", r); }
    void OnLayoutChanged(IKMReport* r) override { Log("Layout", r); }

    std::vector<std::string> log;
    std::function<void(const std::string&, IKMReport*)> onEvent;

private:
    void Log(const char* name, IKMReport* report)
    {
        log.push_back(std::string(name) + ":" + std::to_string(m_pCtrl->GetReportIndex(report)));
        if (onEvent) {
            onEvent(name, report);
        }
    }
    IReportCtrl* m_pCtrl;
};

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_host = platform::CreateHostWindow(800, 600);
        m_main = std::make_unique<KMMainWindow>();
        ASSERT_NE(m_main->Create(m_host, 0, 0, 800, 600), nullptr);
        m_recorder = std::make_unique<Recorder>(m_main.get());
        m_main->AddCallback(m_recorder.get());
    }
    void TearDown() override
    {
        DestroyWindow(m_host);
        m_main.reset();
    }

    // A report window over the content panel, as the opening operations make them.
    KMReportWindow* NewReport()
    {
        auto* window = new KMReportWindow;
        const RECT rc = m_main->m_pm.FindControl(L"contentPanel")->GetPos();
        window->Create(m_main->GetHWND(), L"KMSRDOcWindow", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                       WS_EX_ACCEPTFILES, rc);
        return window;
    }

    std::vector<KMReportWindow*> AddReports(int count)
    {
        std::vector<KMReportWindow*> windows;
        for (int i = 0; i < count; ++i) {
            windows.push_back(NewReport());
            m_main->AddReportWindow(windows.back());
        }
        m_recorder->log.clear();
        return windows;
    }

    HWND m_host = nullptr;
    std::unique_ptr<KMMainWindow> m_main;
    std::unique_ptr<Recorder> m_recorder;
};

using Log = std::vector<std::string>;

} // namespace

TEST_F(MainWindowTest, AddingAndActivatingNotifyInOrder)
{
    Recorder& recorder = *m_recorder;
    KMReportWindow* first = NewReport();
    ASSERT_TRUE(m_main->AddReportWindow(first));
    KMReportWindow* second = NewReport();
    ASSERT_TRUE(m_main->AddReportWindow(second));
    EXPECT_EQ(recorder.log, (Log{"Added:0", "Active:0", "Added:1", "Active:1"}));
    EXPECT_FALSE(m_main->AddReportWindow(nullptr));

    recorder.log.clear();
    m_main->ActivateReportAt(1);
    EXPECT_TRUE(recorder.log.empty()) << "activating the active report does nothing";
    m_main->ActivateReport(first);
    EXPECT_EQ(recorder.log, (Log{"Active:0"}));
    EXPECT_TRUE(IsWindowVisible(first->GetHWND()));
    EXPECT_FALSE(IsWindowVisible(second->GetHWND()));
    EXPECT_EQ(first->m_pCallback, m_main.get());
    EXPECT_EQ(second->m_pCallback, nullptr);

    // Only the active report's events reach the host.
    recorder.log.clear();
    second->SetModified(true);
    first->SetModified(true);
    EXPECT_EQ(recorder.log, (Log{"Modified:0"}));
    m_main->ActivateReportAt(5);
    m_main->ActivateReportAt(-1);
    EXPECT_EQ(m_main->GetActiveReport(), static_cast<IKMReport*>(first));
}

TEST_F(MainWindowTest, ClosingActivatesANeighbour)
{
    Recorder& recorder = *m_recorder;
    auto windows = AddReports(4);
    recorder.log.clear();

    m_main->ActivateReportAt(2);
    recorder.log.clear();
    m_main->CloseReportAt(2);
    EXPECT_EQ(recorder.log, (Log{"Closing:-1", "Active:2"})) << "the report that moved into index 2";
    EXPECT_EQ(m_main->GetActiveReport(), static_cast<IKMReport*>(windows[3]));

    recorder.log.clear();
    m_main->CloseReportAt(2);
    EXPECT_EQ(recorder.log, (Log{"Closing:-1", "Active:1"})) << "the active last one: the new last one";
    EXPECT_EQ(m_main->GetActiveReport(), static_cast<IKMReport*>(windows[1]));

    recorder.log.clear();
    m_main->CloseReport(windows[0]);
    EXPECT_EQ(recorder.log, (Log{"Closing:-1"})) << "an inactive one";
    EXPECT_EQ(m_main->GetActiveReport(), static_cast<IKMReport*>(windows[1]));

    recorder.log.clear();
    m_main->SetZoom(1.5f);
    m_main->CloseReportAt(0);
    EXPECT_EQ(recorder.log, (Log{"Closing:-1"})) << "the only one";
    EXPECT_EQ(m_main->GetActiveReport(), nullptr);
    EXPECT_EQ(m_main->GetReportCount(), 0);
    EXPECT_FLOAT_EQ(m_main->GetZoom(), 1.5f);

    m_main->CloseReportAt(0);
    m_main->CloseReport(nullptr);
    EXPECT_EQ(m_main->GetReportIndex(windows[0]), -1);
}

TEST_F(MainWindowTest, ZoomAndFitFollowTheActiveReport)
{
    auto windows = AddReports(2);
    EXPECT_EQ(m_main->GetFitMode(), 1);
    // The page (794 x 1123) is fitted into the report area of 800 x 600: 598 / 1123.
    EXPECT_NEAR(m_main->GetZoom(), 598.0f / 1123.0f, 1e-5);

    m_main->SetZoom(2.0f);
    EXPECT_FLOAT_EQ(m_main->GetZoom(), 2.0f);
    EXPECT_EQ(m_main->GetFitMode(), 0);
    m_main->ActivateReportAt(0);
    EXPECT_EQ(m_main->GetFitMode(), 1) << "a report activated later is fitted again";
    EXPECT_NEAR(m_main->GetZoom(), 598.0f / 1123.0f, 1e-5);

    m_main->SetFitMode(0);
    m_main->ActivateReportAt(1);
    EXPECT_FLOAT_EQ(m_main->GetZoom(), 2.0f) << "with fit mode 0 the stored ratio stays";
    EXPECT_EQ(m_main->GetFitMode(), 0);
}

TEST_F(MainWindowTest, OnlyTheActiveReportFollowsThePanelAndIsShown)
{
    auto windows = AddReports(3);
    m_main->ActivateReportAt(1);
    m_main->MoveWindow(0, 0, 640, 480);
    MoveWindow(m_host, 0, 0, 640, 480, TRUE);
    const RECT panel = m_main->m_pm.FindControl(L"contentPanel")->GetPos();
    EXPECT_EQ(panel.right, 640);
    RECT rc{};
    GetWindowRect(windows[1]->GetHWND(), &rc);
    EXPECT_EQ(rc, panel);
    GetWindowRect(windows[0]->GetHWND(), &rc);
    EXPECT_NE(rc, panel);

    // A capture shows the active report's page and none of the hidden ones.
    windows[0]->m_pm.FindControl(L"pageArea")->SetBkColor(0xFFFF0000);
    windows[2]->m_pm.FindControl(L"pageArea")->SetBkColor(0xFFFF0000);
    windows[1]->m_pm.FindControl(L"pageArea")->SetBkColor(0xFF00FF00);
    HBITMAP shot = platform::CaptureWindow(m_host);
    EXPECT_EQ(CountPixels(shot, panel, 0xFFFF0000, 10), 0);
    EXPECT_GT(CountPixels(shot, panel, 0xFF00FF00, 10), 1000);
    EXPECT_GT(CountPixels(shot, panel, 0xFFFFFFFF, 10), 10000) << "the white page";
    DeleteObject(shot);

    // Reactivating a report that missed a resize puts it over the panel.
    m_main->ActivateReportAt(0);
    GetWindowRect(windows[0]->GetHWND(), &rc);
    EXPECT_EQ(rc, panel);
}

TEST_F(MainWindowTest, CallbacksMayChangeTheControlWhileTheyAreTold)
{
    Recorder first(m_main.get());
    Recorder second(m_main.get());
    m_main->RemoveCallback(m_recorder.get());
    m_main->AddCallback(&first);
    m_main->AddCallback(&second);
    AddReports(3);
    first.log.clear();
    second.log.clear();

    // A callback that removes itself and the one after it.
    first.onEvent = [&](const std::string&, IKMReport*) {
        m_main->RemoveCallback(&first);
        m_main->RemoveCallback(&second);
    };
    m_main->ActivateReportAt(0);
    EXPECT_EQ(first.log, (Log{"Active:0"}));
    EXPECT_TRUE(second.log.empty());

    // A callback that closes reports and adds callbacks while a report closes (closing inside
    // the other notifications is ReentrantHostTest's and the random host's).
    m_main->AddCallback(&first);
    first.onEvent = [&](const std::string& name, IKMReport*) {
        if (name == "Closing" && m_main->GetReportCount() > 0) {
            m_main->CloseReportAt(0);
            m_main->AddCallback(m_recorder.get());
        }
    };
    m_main->CloseReportAt(0);
    EXPECT_EQ(m_main->GetReportCount(), 0);
    EXPECT_EQ(m_main->GetActiveReport(), nullptr);
}

// What the control does without any report is ReportCtrlHostTest's; a preview needs none.
TEST_F(MainWindowTest, TemplatePreviewsFitTheAskedBoxWithoutAReport)
{
    testing_support::TempDir dir;
    const std::string other = std::string(SRCTRL_SOURCE_DIR) + "/skin/srctrl/template_zh_CN.xml";
    int width = 0;
    int height = 0;
    HBITMAP preview = m_main->CreateTemplatePreview(other.c_str(), &width, &height, 200, 200);
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(width, 141);
    EXPECT_EQ(height, 200);
    DeleteObject(preview);
    preview = m_main->CreateTemplatePreview(other.c_str(), &width, &height, 0, 0);
    EXPECT_EQ(width, 561);
    EXPECT_EQ(height, 794);
    DeleteObject(preview);
    EXPECT_EQ(m_main->CreateTemplatePreview(dir.File("missing.xml").c_str(), &width, &height, 0, 0), nullptr);
}

TEST(MainWindowRelease, ReleasingWithReportsSendsNothingAndLeavesNoLiveWindow)
{
    HWND host = platform::CreateHostWindow(400, 300);
    auto* main = new KMMainWindow;
    ASSERT_NE(main->Create(host, 0, 0, 400, 300), nullptr);
    const HWND hwnd = main->GetHWND();
    Recorder recorder(main);
    main->AddCallback(&recorder);
    for (int i = 0; i < 3; ++i) {
        auto* window = new KMReportWindow;
        window->Create(hwnd, L"KMSRDOcWindow", WS_CHILD | WS_VISIBLE, 0, 0, 0, 400, 300);
        main->AddReportWindow(window);
    }
    recorder.log.clear();
    delete main;
    EXPECT_TRUE(recorder.log.empty());
    EXPECT_TRUE(IsWindow(hwnd)) << "the host destroys the control's window";
    EXPECT_EQ(platform::GetChildWindows(hwnd, nullptr, 0), 0) << "the report windows are gone";
    MoveWindow(hwnd, 0, 0, 200, 100, TRUE);
    DestroyWindow(host);
    EXPECT_FALSE(IsWindow(hwnd));
}

namespace {

// An SR file as another system wrote it.
std::string WriteSRFile(const testing_support::TempDir& dir, const char* name, const char* modality,
                        bool verified = false)
{
    KMDcmSR sr;
    KMString uid;
    KMDcmUtil::GenerateUID(uid);
    sr.GetDataset()->SetString(0x00080018, uid);
    KMDcmUtil::GenerateUID(uid);
    sr.GetDataset()->SetString(0x0020000D, uid);
    sr.GetDataset()->SetString(0x00080060, modality);
    sr.GetDataset()->SetString(0x00100010, L"Doe^Jane");
    sr.SetFinding(L"Stored finding");
    if (verified) {
        sr.SetVerifyingObserverName(L"Brown^Tom");
        sr.SetVerifyingOrganization(L"City Hospital");
        sr.VerifyDocument();
    }
    const std::string path = dir.File(name);
    sr.SaveFile(path.c_str());
    return path;
}

std::string Read(IKMReport* report, DWORD tag)
{
    std::string text;
    report->GetDcmSR()->GetDataset()->GetString(tag, text);
    return text;
}

} // namespace

TEST_F(MainWindowTest, OpeningAnSRFileTwiceGivesTheSameReport)
{
    testing_support::TempDir dir;
    const std::string path = WriteSRFile(dir, "a.dcm", "SR");
    IKMReport* first = m_main->OpenReportFile(path.c_str());
    ASSERT_NE(first, nullptr);
    EXPECT_FALSE(first->IsModified());
    std::wstring finding;
    ASSERT_TRUE(first->GetValue(0x07211001, finding));
    EXPECT_EQ(finding, L"Stored finding");
    EXPECT_EQ(m_recorder->log, (Log{"Added:0", "Active:0"})) << "the template loads before the report is active";

    m_recorder->log.clear();
    EXPECT_EQ(m_main->OpenReportFile(path.c_str()), first);
    EXPECT_EQ(m_main->GetReportCount(), 1);
    EXPECT_TRUE(m_recorder->log.empty()) << "the report was active already";

    IKMReport* second = m_main->OpenReportFile(WriteSRFile(dir, "b.dcm", "SR", true).c_str());
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(dynamic_cast<KMReportWindow*>(second)->m_pm.FindControl(L"verifiedCtrl")->IsVisible());
    m_recorder->log.clear();
    EXPECT_EQ(m_main->OpenReportFile(path.c_str()), first);
    EXPECT_EQ(m_recorder->log, Log{"Active:0"});
    EXPECT_EQ(m_main->OpenReport(second->GetDcmSR()), second) << "an open document is activated, not copied";
    EXPECT_EQ(m_main->GetReportCount(), 2);

    // Images and malformed files are LastErrorHostTest's and HostileInput's; a document of
    // another modality is refused as well.
    EXPECT_EQ(m_main->OpenReportFile(WriteSRFile(dir, "c.dcm", "OT").c_str()), nullptr);
    EXPECT_EQ(m_main->GetReportCount(), 2);
}

TEST_F(MainWindowTest, NewReportsFromImagesAndReportsGetNewIdentities)
{
    const std::string image = testing_support::DataFile("ct-image.dcm");
    IKMReport* a = m_main->CreateReportFromImage(image.c_str());
    IKMReport* b = m_main->CreateReportFromImage(image.c_str());
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_TRUE(a->IsModified());
    EXPECT_NE(Read(a, 0x00080018), Read(b, 0x00080018));
    EXPECT_NE(Read(a, 0x0020000E), Read(b, 0x0020000E));
    EXPECT_EQ(Read(a, 0x0020000D), Read(b, 0x0020000D));
    EXPECT_EQ(Read(a, 0x0020000D), "1.2.826.0.1.3680043.9.7421.1.1");
    EXPECT_EQ(Read(a, 0x00080005), "ISO_IR 192");
    EXPECT_EQ(Read(a, 0x00101010), "055Y");
    EXPECT_EQ(Read(a, 0x00080060), "SR");
    std::wstring name;
    ASSERT_TRUE(a->GetValue(0x00100010, name));
    EXPECT_EQ(name, L"Müller^Jürgen");

    a->SetValue(0x0040A075, L"Brown^Tom");
    a->SetValue(0x0040A027, L"City Hospital");
    a->CompleteDocument();
    a->VerifyDocument();
    ASSERT_TRUE(a->IsVerified());
    IKMReport* copy = m_main->CreateReportFromReport(a);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(Read(copy, 0x0040A491), "PARTIAL");
    EXPECT_EQ(Read(copy, 0x0040A493), "UNVERIFIED");
    // The copy is the source's next version, in its series.
    EXPECT_EQ(Read(copy, 0x00200013), "2");
    EXPECT_EQ(Read(copy, 0x0020000E), Read(a, 0x0020000E));
    EXPECT_NE(Read(copy, 0x00080018), Read(a, 0x00080018));
    EXPECT_EQ(Read(copy, 0x0020000D), Read(a, 0x0020000D));
    EXPECT_TRUE(copy->IsModified());
    // An image without its study is DocumentIdentityHostTest's.
    EXPECT_EQ(m_main->CreateReportFromImage(nullptr), nullptr);
}

TEST_F(MainWindowTest, PrintingNamesTheDocumentAndWritesOnePage)
{
    testing_support::TempDir dir;
    const std::string pdf = dir.File("report.pdf");
    ASSERT_TRUE(platform::RegisterPdfPrinter("Main Window PDF", pdf.c_str()));
    EXPECT_FALSE(m_main->Print("Main Window PDF")) << "no active report";

    IKMReport* report = m_main->CreateReportFromImage(testing_support::DataFile("ct-image.dcm").c_str());
    ASSERT_NE(report, nullptr);
    report->SetValue(0x00080023, L"20240131");
    report->SetQRCode("SR-QR-4711");
    ASSERT_TRUE(m_main->Print("Main Window PDF"));
    const auto info = testing_support::RunTool("pdfinfo " + testing_support::Quoted(pdf) + " 2>&1");
    EXPECT_NE(info.strOutput.find("report — Jürgen Müller — 2024-01-31"), std::string::npos) << info.strOutput;
    EXPECT_NE(info.strOutput.find("Pages:"), std::string::npos) << info.strOutput;
    // The printed page carries the report's QR code.
    ASSERT_EQ(testing_support::RunTool("pdftoppm -r 150 -png " + testing_support::Quoted(pdf) + " " +
                                       testing_support::Quoted(dir.File("page")))
                  .nExitCode,
              0);
    const auto decoded =
        testing_support::RunTool("zbarimg --quiet --raw " + testing_support::Quoted(dir.File("page-1.png")) + " 2>/dev/null");
    EXPECT_EQ(decoded.strOutput, "SR-QR-4711\n");
    EXPECT_FALSE(m_main->Print("No Such Printer 4711"));
    EXPECT_FALSE(m_main->Print(nullptr));
}

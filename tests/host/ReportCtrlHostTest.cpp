// Drives the control as a host program does: through its public header and the shared library.
#include "control/IReportCtrl.h"
#include "HostTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using host_test::Data;

class Counter : public IReportCtrlCallback {
public:
    void OnReportValueChanged(IKMReport*, DWORD tag, const wchar_t* value) override { values.emplace_back(tag, value); }
    void OnActiveReportChanged(IKMReport*) override { ++active; }
    void OnReportAdded(IKMReport*) override { ++added; }
    void OnReportClosing(IKMReport*) override { ++closing; }
    void OnDocumentCompleted(IKMReport*) override { ++completed; }
    void OnDocumentVerified(IKMReport*) override { ++verified; }
    void OnModifiedChanged(IKMReport*) override { ++modified; }
    void OnLayoutChanged(IKMReport*) override { ++layout; }

    std::vector<std::pair<DWORD, std::wstring>> values;
    int active = 0;
    int added = 0;
    int closing = 0;
    int completed = 0;
    int verified = 0;
    int modified = 0;
    int layout = 0;
};

} // namespace

TEST(ReportCtrlHost, EveryReportOperationAnswersNothingWithoutAReport)
{
    ReleaseReportCtrl(nullptr);
    IReportCtrl* ctrl = CreateReportCtrl();
    ASSERT_NE(ctrl, nullptr);
    EXPECT_EQ(ctrl->GetHWND(), nullptr);
    EXPECT_FALSE(ctrl->MoveWindow(0, 0, 10, 10)) << "no window yet";
    EXPECT_EQ(ctrl->OpenReportFile(Data("ct-image.dcm").c_str()), nullptr);
    EXPECT_EQ(ctrl->CreateReportFromImage(Data("ct-image.dcm").c_str()), nullptr) << "no window yet";
    int width = 0;
    int height = 0;
    EXPECT_EQ(ctrl->CreateTemplatePreview(nullptr, &width, &height, 0, 0), nullptr);

    HWND host = platform::CreateHostWindow(1024, 768);
    const HWND hwnd = ctrl->Create(host, 10, 20, 800, 600);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(ctrl->GetHWND(), hwnd);
    EXPECT_EQ(GetParent(hwnd), host);
    EXPECT_TRUE(ctrl->MoveWindow(0, 0, 1000, 700));
    RECT rc{};
    GetWindowRect(hwnd, &rc);
    EXPECT_EQ(rc.right, 1000);

    Counter counter;
    ctrl->AddCallback(&counter);
    ctrl->AddCallback(&counter);
    ctrl->AddCallback(nullptr);
    EXPECT_FALSE(ctrl->SetTemplateFile(Data("missing.xml").c_str()));
    EXPECT_FALSE(ctrl->SetTemplateFile(nullptr));
    ctrl->SetZoom(1.25f);
    EXPECT_FLOAT_EQ(ctrl->GetZoom(), 1.25f);
    ctrl->SetFitMode(0);
    EXPECT_EQ(ctrl->GetFitMode(), 0);

    std::wstring value = L"kept";
    EXPECT_FALSE(ctrl->Print("No Such Printer"));
    EXPECT_EQ(ctrl->OpenReport(nullptr), nullptr);
    EXPECT_EQ(ctrl->OpenReportFile(nullptr), nullptr);
    EXPECT_EQ(ctrl->CreateReportFromReport(nullptr), nullptr);
    EXPECT_EQ(ctrl->GetReportCount(), 0);
    EXPECT_EQ(ctrl->GetActiveReport(), nullptr);
    EXPECT_EQ(ctrl->GetReport(0), nullptr);
    EXPECT_EQ(ctrl->GetReport(-1), nullptr);
    ctrl->CloseReport(nullptr);
    ctrl->CloseReportAt(0);
    ctrl->Reserved();
    ctrl->ActivateReport(nullptr);
    ctrl->ActivateReportAt(3);
    EXPECT_EQ(ctrl->GetReportIndex(nullptr), -1);
    EXPECT_FALSE(ctrl->ApplyTemplate(nullptr));
    EXPECT_FALSE(ctrl->SetReportValue(0x00100010, L"x"));
    EXPECT_FALSE(ctrl->GetReportValue(0x00100010, value));
    EXPECT_EQ(value, L"kept");
    EXPECT_EQ(counter.added + counter.active + counter.closing + counter.modified, 0);

    ctrl->RemoveCallback(&counter);
    DestroyWindow(host);
    ReleaseReportCtrl(ctrl);
}

using ReportCtrlHostWindow = host_test::ReportHost;

TEST_F(ReportCtrlHostWindow, AReportFromAnImageIsToldOnceToACallbackRegisteredTwice)
{
    OpenControl(800, 1130);
    IReportCtrl* ctrl = m_ctrl;
    Counter counter;
    ctrl->AddCallback(&counter);
    ctrl->AddCallback(&counter);

    IKMReport* report = ctrl->CreateReportFromImage(Data("ct-image.dcm").c_str());
    ASSERT_NE(report, nullptr);
    EXPECT_EQ(counter.added, 1) << "a callback registered twice is told once";
    EXPECT_EQ(counter.active, 1);
    EXPECT_EQ(counter.modified, 1);
    EXPECT_TRUE(report->IsModified());
    std::wstring value;
    ASSERT_TRUE(ctrl->GetReportValue(0x00100010, value));
    EXPECT_EQ(value, L"Müller^Jürgen");
    EXPECT_EQ(report->GetImageBoxCount(), 2);

    // Typing and printing are TextEntryHostTest's and PrintedReportTest's.
    ctrl->CloseReport(report);
    EXPECT_EQ(counter.closing, 1);
    EXPECT_EQ(ctrl->GetReportCount(), 0);
    ctrl->RemoveCallback(&counter);
}

#include "platform/Host.h"
#include "platform/duilib/CContainerUI.h"
#include "report/KMReportWindow.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

// A report window whose page panel is empty and hidden, as it is when the skin folder has no
// default template: the first template it loads is shown, and its picture boxes counted, at once.
TEST(ReportWindowPanel, TheFirstPageInAnEmptyPanelCountsItsPictureBoxes)
{
    HWND host = platform::CreateHostWindow(800, 600);
    auto report = std::make_unique<KMReportWindow>();
    ASSERT_NE(report->Create(host, L"KMSRDOcWindow", WS_CHILD | WS_VISIBLE, 0, 0, 0, 800, 600), nullptr);
    auto* panel = dynamic_cast<DuiLib::CContainerUI*>(report->m_pm.FindControl(L"pagePanel"));
    ASSERT_NE(panel, nullptr);
    std::unique_ptr<DuiLib::CControlUI> skinPage(panel->DetachAt(0));
    panel->SetVisible(false);

    const std::string path = std::string(SRCTRL_SOURCE_DIR) + "/skin/srctrl/default_template.xml";
    EXPECT_TRUE(report->LoadTemplate(path.c_str()));
    EXPECT_EQ(report->GetImageBoxCount(), 2) << "the template's Two images layout";
    EXPECT_TRUE(panel->IsVisible());

    skinPage.reset();
    report.reset();
    DestroyWindow(host);
}

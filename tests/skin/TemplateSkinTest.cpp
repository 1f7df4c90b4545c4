#include "platform/Host.h"
#include "platform/duilib/CContainerUI.h"
#include "platform/duilib/CRenderEngine.h"
#include "platform/kmbase/KMString.h"
#include "report/KMReportTemplate.h"
#include "support/SkinWindow.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>

using testing_support::CountPixels;
using testing_support::SkinWindow;

namespace {

std::string SkinFile(const std::string& name)
{
    return std::string(SRCTRL_SOURCE_DIR) + "/skin/srctrl/" + name;
}

// Every text shown by a control of the tree.
void CollectTexts(DuiLib::CControlUI* control, std::vector<std::wstring>& texts)
{
    if (!control->GetText().IsEmpty()) {
        texts.push_back(control->GetText().Str());
    }
    if (auto* container = dynamic_cast<DuiLib::CContainerUI*>(control)) {
        for (int i = 0; i < container->GetCount(); ++i) {
            CollectTexts(container->GetItemAt(i), texts);
        }
    }
}

class TemplateSkin : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_template.Load(SkinFile(GetParam()).c_str()));
        std::string xml;
        m_template.ToXml(xml);
        m_host = platform::CreateHostWindow(794, 1123);
        m_window = std::make_unique<SkinWindow>(xml);
        ASSERT_NE(m_window->Create(m_host, L"page", WS_CHILD | WS_VISIBLE, 0, 0, 0, 794, 1123), nullptr);
        m_shot = platform::CaptureWindow(m_host);
        ASSERT_NE(m_shot, nullptr);
    }
    void TearDown() override
    {
        DeleteObject(m_shot);
        DestroyWindow(m_host);
        m_window.reset();
    }

    RECT PosOf(const wchar_t* name) { return m_window->m_pm.FindControl(name)->GetPos(); }

    KMReportTemplate m_template;
    HWND m_host = nullptr;
    std::unique_ptr<SkinWindow> m_window;
    HBITMAP m_shot = nullptr;
};

} // namespace

TEST_P(TemplateSkin, IsAnA4PageWithEveryRegionShown)
{
    DuiLib::CControlUI* root = m_window->m_pm.GetRoot();
    EXPECT_EQ(root->GetFixedWidth(), 794);
    EXPECT_EQ(root->GetFixedHeight(), 1123);

    std::string logo;
    ASSERT_TRUE(m_template.GetLogoName(logo));
    EXPECT_GT(CountPixels(m_shot, PosOf(L"RT_LOGO"), 0xFF1F5FA8, 10), 500) << "the embedded logo";

    const RECT list = PosOf(L"RT_ATTRLIST");
    EXPECT_GT(list.bottom - list.top, 100);
    EXPECT_GT(CountPixels(m_shot, list, 0xFF404040, 60), 200) << "labels of the attribute list";
    EXPECT_GT(CountPixels(m_shot, list, 0xFFB0B0B0, 10), 200) << "borders of its fields";

    const RECT images = PosOf(L"RT_IMAGE");
    EXPECT_GT(CountPixels(m_shot, images, 0xFFF4F6F8, 2), (images.right - images.left) * (images.bottom - images.top) / 2);
    const RECT qr = PosOf(L"RT_QRCODE");
    EXPECT_EQ(qr.right - qr.left, 112);
    EXPECT_GT(CountPixels(m_shot, qr, 0xFFF4F6F8, 2), 100 * 100);

    std::vector<std::string> layouts;
    ASSERT_TRUE(m_template.GetImageLayoutList(layouts));
    EXPECT_EQ(layouts.size(), 3u);
    std::vector<std::pair<std::string, std::string>> rows;
    ASSERT_TRUE(m_template.GetAttributeList(rows));
    EXPECT_EQ(rows.size(), 10u);
}

TEST_P(TemplateSkin, EveryTextHasRealGlyphs)
{
    std::vector<std::wstring> texts;
    CollectTexts(m_window->m_pm.GetRoot(), texts);
    EXPECT_GT(texts.size(), 20u);
    for (const std::wstring& text : texts) {
        EXPECT_EQ(DuiLib::CRenderEngine::CountUnknownGlyphs(&m_window->m_pm, text.c_str(), -1), 0)
            << KMString(text).c_str();
    }
}

INSTANTIATE_TEST_SUITE_P(Templates, TemplateSkin, ::testing::Values("default_template.xml", "template_zh_CN.xml"));

TEST(ReportSkins, HoldTheNamedControls)
{
    struct Expected {
        const char* file;
        std::vector<const wchar_t*> names;
    };
    for (const Expected& skin : {Expected{"sr_frame_wnd.xml", {L"contentPanel"}},
                                 Expected{"sr_report_window.xml", {L"pagePanel", L"verifiedCtrl"}},
                                 Expected{"sr_print_window.xml", {L"pagePanel"}}}) {
        SkinWindow window(testing_support::ReadFile(SkinFile(skin.file)));
        ASSERT_NE(window.Create(nullptr, L"skin", 0, 0, 0, 0, 100, 100), nullptr) << skin.file;
        for (const wchar_t* name : skin.names) {
            EXPECT_NE(window.m_pm.FindControl(name), nullptr) << skin.file;
        }
        EXPECT_NE(dynamic_cast<DuiLib::CContainerUI*>(window.m_pm.FindControl(skin.names[0])), nullptr);
        DestroyWindow(window.GetHWND());
    }
}

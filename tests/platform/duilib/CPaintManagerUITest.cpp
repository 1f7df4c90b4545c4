#include "platform/Host.h"
#include "platform/duilib/CContainerUI.h"
#include "platform/duilib/CDialogBuilder.h"
#include "platform/duilib/CPictureUI.h"
#include "platform/duilib/CRenderEngine.h"
#include "platform/kmbase/KMString.h"
#include "support/SkinWindow.h"
#include "support/ToolkitPageTest.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <memory>

using testing_support::CountOtherPixels;
using testing_support::CountPixels;
using testing_support::DataFile;
using testing_support::PixelAt;
using testing_support::ReadFile;
using testing_support::SkinWindow;

namespace {

RECT Doubled(const RECT& rc)
{
    return RECT{rc.left * 2, rc.top * 2, rc.right * 2, rc.bottom * 2};
}

std::vector<unsigned char> ImageBytes(const char* name)
{
    const std::string bytes = ReadFile(DataFile(std::string("images/") + name));
    return std::vector<unsigned char>(bytes.begin(), bytes.end());
}

class PageTest : public testing_support::ToolkitPageTest {
protected:

    RECT PosOf(const wchar_t* name)
    {
        m_window->m_pm.UpdateLayout();
        return m_window->m_pm.FindControl(name)->GetPos();
    }

};

} // namespace

TEST_F(PageTest, LaysOutControlsAndZoomScalesEveryRectangle)
{
    const struct {
        const wchar_t* name;
        RECT pos;
        const char* why;
    } expected[] = {
        {L"page", {0, 0, 400, 300}, ""},
        {L"title", {10, 10, 330, 40}, "stretched beside a fixed 60"},
        {L"logo", {330, 10, 390, 40}, ""},
        {L"nameLabel", {10, 45, 90, 75}, "inset, then child padding 5"},
        {L"name", {95, 45, 390, 75}, ""},
        {L"sex", {95, 80, 195, 110}, ""},
        {L"pic0", {10, 115, 130, 215}, ""},
        {L"pic1", {140, 115, 260, 215}, ""},
        {L"pic2", {270, 115, 390, 215}, ""},
        {L"filler", {300, 250, 380, 280}, "a floating control keeps its pos"},
    };
    for (const auto& e : expected) {
        EXPECT_EQ(PosOf(e.name), e.pos) << KMString(e.name).str() << " " << e.why;
    }
    const RECT birth = PosOf(L"birth");
    m_window->m_pm.SetZoomRatio(2.0f);
    m_window->ResizeClient(800, 600);
    for (const auto& e : expected) {
        EXPECT_EQ(PosOf(e.name), Doubled(e.pos)) << KMString(e.name).str();
    }
    EXPECT_EQ(PosOf(L"birth"), Doubled(birth));
    EXPECT_EQ(m_window->m_pm.FindControl(L"logo")->GetFixedWidth(), 120);
    EXPECT_FLOAT_EQ(m_window->m_pm.GetZoomRatio(), 2.0f);

    // A size written at a zoom reads back the same.
    m_window->m_pm.FindControl(L"logo")->SetFixedWidth(100);
    EXPECT_EQ(m_window->m_pm.FindControl(L"logo")->GetFixedWidth(), 100);
    m_window->m_pm.SetZoomRatio(1.0f);
    EXPECT_EQ(m_window->m_pm.FindControl(L"logo")->GetFixedWidth(), 50);
}

TEST_F(PageTest, PaintsBackgroundsTextAndImages)
{
    const std::vector<unsigned char> jpeg = ImageBytes("red.jpg");
    ASSERT_TRUE(m_window->Find<DuiLib::CPictureUI>(L"pic1")->SetPicture(jpeg.data(), static_cast<int>(jpeg.size())));

    for (float zoom : {1.0f, 2.0f}) {
        SCOPED_TRACE(zoom);
        m_window->m_pm.SetZoomRatio(zoom);
        m_window->ResizeClient(static_cast<int>(400 * zoom), static_cast<int>(300 * zoom));
        MoveWindow(m_host, 0, 0, static_cast<int>(400 * zoom), static_cast<int>(300 * zoom), TRUE);
        HBITMAP shot = platform::CaptureWindow(m_host);
        ASSERT_NE(shot, nullptr);
        const RECT title = PosOf(L"title");
        EXPECT_GT(CountPixels(shot, title, 0xFF2060A0, 8), (title.right - title.left) * (title.bottom - title.top) / 2);
        EXPECT_GT(CountPixels(shot, title, 0xFFFFFFFF, 60), 20) << "white text on the title";
        const RECT label = PosOf(L"nameLabel");
        EXPECT_GT(CountPixels(shot, label, 0xFF000000, 100), 10) << "black text of the label";
        EXPECT_EQ(PixelAt(shot, 5, 5), 0xFFEEEEEEu) << "page background in the inset";
        const RECT logo = PosOf(L"logo");
        EXPECT_EQ(PixelAt(shot, (logo.left + logo.right) / 2, (logo.top + logo.bottom) / 2), 0xFF20A040u);
        const RECT pic = PosOf(L"pic1");
        EXPECT_GT(CountPixels(shot, pic, 0xFFFF0000, 30), (pic.bottom - pic.top) * (pic.bottom - pic.top) / 2)
            << "the picture, fitted into the box";
        const RECT empty = PosOf(L"pic2");
        EXPECT_EQ(CountPixels(shot, empty, 0xFFFF0000, 30), 0);
        EXPECT_EQ(PixelAt(shot, static_cast<int>(340 * zoom), static_cast<int>(265 * zoom)), 0xFFC00000u);
        DeleteObject(shot);
    }
}

TEST_F(PageTest, HiddenControlsAndTheirChildrenAreNeitherPaintedNorVisible)
{
    auto* pic0 = m_window->Find<DuiLib::CPictureUI>(L"pic0");
    DuiLib::CControlUI* row = pic0->GetParent();
    row->SetVisible(false);
    EXPECT_FALSE(pic0->IsVisible()) << "a hidden container hides its children";
    HBITMAP shot = platform::CaptureWindow(m_host);
    EXPECT_EQ(CountOtherPixels(shot, RECT{10, 120, 390, 210}, 0xFFEEEEEE, 2), 0);
    DeleteObject(shot);
    row->SetVisible(true);
    EXPECT_TRUE(pic0->IsVisible());
}

TEST(CRenderEngine, ChineseTextHasRealGlyphs)
{
    DuiLib::CPaintManagerUI manager;
    EXPECT_EQ(DuiLib::CRenderEngine::CountUnknownGlyphs(&manager, L"患者姓名 检查日期 诊断结论", -1), 0);
    EXPECT_EQ(DuiLib::CRenderEngine::CountUnknownGlyphs(&manager, L"山田 太郎 Müller", -1), 0);
}

TEST(Layouts, TilesFillColumnsAndRowsTakeTheirHighestChild)
{
    DuiLib::CPaintManagerUI manager;
    DuiLib::CDialogBuilder builder;
    const std::string xml = "<TileLayout columns=\"2\" childpadding=\"10\">"
                            "<Label height=\"20\"/><Label height=\"40\"/><Label/><Label width=\"50\" height=\"10\"/>"
                            "</TileLayout>";
    std::unique_ptr<DuiLib::CControlUI> root(builder.CreateFromXml(xml.data(), xml.size(), nullptr, &manager));
    ASSERT_NE(root, nullptr);
    root->SetPos(RECT{0, 0, 210, 300});
    auto* tiles = dynamic_cast<DuiLib::CContainerUI*>(root.get());
    EXPECT_EQ(tiles->GetItemAt(0)->GetPos(), (RECT{0, 0, 100, 20}));
    EXPECT_EQ(tiles->GetItemAt(1)->GetPos(), (RECT{110, 0, 210, 40}));
    EXPECT_EQ(tiles->GetItemAt(2)->GetPos(), (RECT{0, 50, 100, 80})) << "a row without heights is a line high";
    EXPECT_EQ(tiles->GetItemAt(3)->GetPos(), (RECT{110, 50, 160, 60}));
    EXPECT_EQ(root->EstimateSize(SIZE{210, 0}).cy, 80) << "a tile layout without a height is as high as its rows";
}

TEST(Layouts, HugeSizesAtTheLargestZoomStayInOrder)
{
    DuiLib::CPaintManagerUI manager;
    manager.SetZoomRatio(100.0f);
    DuiLib::CDialogBuilder builder;
    // 300 children of the largest design size: their sum at zoom 100 is far beyond an int.
    std::string row = "<HorizontalLayout height=\"10\" childpadding=\"100000\">";
    std::string tiles = "<TileLayout columns=\"2\" childpadding=\"100000\">";
    for (int i = 0; i < 300; ++i) {
        row += "<Control width=\"100000\"/>";
        tiles += "<Control height=\"100000\"/>";
    }
    const std::string xml = "<VerticalLayout>" + row + "</HorizontalLayout>" + tiles + "</TileLayout></VerticalLayout>";
    std::unique_ptr<DuiLib::CControlUI> root(builder.CreateFromXml(xml.data(), xml.size(), nullptr, &manager));
    ASSERT_NE(root, nullptr);
    root->SetPos(RECT{INT_MIN, INT_MIN, INT_MAX, INT_MAX});
    auto* page = dynamic_cast<DuiLib::CContainerUI*>(root.get());
    for (int c = 0; c < page->GetCount(); ++c) {
        auto* layout = dynamic_cast<DuiLib::CContainerUI*>(page->GetItemAt(c));
        ASSERT_NE(layout, nullptr);
        RECT previous = layout->GetItemAt(0)->GetPos();
        for (int i = 1; i < layout->GetCount(); ++i) {
            SCOPED_TRACE(testing::Message() << "layout " << c << " child " << i);
            const RECT rc = layout->GetItemAt(i)->GetPos();
            EXPECT_LE(rc.left, rc.right);
            EXPECT_LE(rc.top, rc.bottom);
            EXPECT_LE(std::abs(rc.right), DuiLib::kMaxCoordinate);
            EXPECT_LE(std::abs(rc.bottom), DuiLib::kMaxCoordinate);
            EXPECT_GE(c == 0 ? rc.left : rc.top, c == 0 ? previous.left : previous.top) << "children never wrap back";
            previous = rc;
        }
    }
}

TEST(Layouts, FixedSizesSurviveTheZoomRange)
{
    DuiLib::CPaintManagerUI manager;
    DuiLib::CControlUI control;
    control.SetManager(&manager, nullptr);
    manager.SetZoomRatio(0.01f);
    control.SetFixedWidth(INT_MAX);
    manager.SetZoomRatio(100.0f);
    EXPECT_EQ(control.GetFixedWidth(), DuiLib::kMaxCoordinate);
    control.SetFixedHeight(INT_MIN);
    EXPECT_EQ(control.GetFixedHeight(), 0);
}

TEST_F(PageTest, AnImageTooLargeForCairoLeavesTheRestOfThePagePainted)
{
    // Cairo takes no image wider than 32767 pixels. The logo is painted early; what comes after it
    // (the labels, the floating red control) must still appear.
    HBITMAP wide = CreateBitmap(40000, 2, 1, 32, nullptr);
    ASSERT_NE(wide, nullptr);
    m_window->m_pm.FindControl(L"logo")->SetBkImage(wide, 40000, 2);
    HBITMAP shot = platform::CaptureWindow(m_host);
    ASSERT_NE(shot, nullptr);
    EXPECT_EQ(PixelAt(shot, 340, 265), 0xFFC00000u);
    EXPECT_GT(CountPixels(shot, PosOf(L"nameLabel"), 0xFF000000, 100), 10);
    DeleteObject(shot);
}

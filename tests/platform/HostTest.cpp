#include "platform/Host.h"
#include "platform/duilib/CComboUI.h"
#include "platform/duilib/CDateTimeUI.h"
#include "platform/duilib/CEditUI.h"
#include "support/SkinWindow.h"
#include "support/ToolkitPageTest.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>

using platform::Click;
using platform::Key;
using platform::PressKey;
using platform::TypeText;
using testing_support::DataFile;
using testing_support::ReadFile;
using testing_support::SkinWindow;

namespace {

class InputTest : public testing_support::ToolkitPageTest {
protected:

    void ClickOn(const wchar_t* name)
    {
        const POINT pt = m_window->Centre(name);
        ASSERT_TRUE(Click(m_host, pt.x, pt.y));
    }

    std::wstring Focused() const
    {
        DuiLib::CControlUI* focus = m_window->m_pm.GetFocus();
        return focus != nullptr ? focus->GetName().Str() : L"";
    }

};

} // namespace

TEST_F(InputTest, TypingRaisesOneTextChangePerChangeWithTheFullText)
{
    ClickOn(L"name");
    EXPECT_EQ(Focused(), L"name");
    ASSERT_TRUE(TypeText(m_host, L"Li^Wei"));
    for (Key key : {Key::Backspace, Key::Left, Key::Left, Key::Delete, Key::Home}) {
        ASSERT_TRUE(PressKey(m_host, key));
    }
    ASSERT_TRUE(TypeText(m_host, L"王"));

    const auto changes = m_window->Of(L"textchanged");
    const std::vector<std::wstring> expected = {L"L", L"Li", L"Li^", L"Li^W", L"Li^We", L"Li^Wei", L"Li^We",
                                                L"Li^e", L"王Li^e"};
    ASSERT_EQ(changes.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(changes[i].sSender, L"name");
        EXPECT_EQ(changes[i].sText, expected[i]);
    }
    // Keys that change nothing raise nothing.
    m_window->Clear();
    ASSERT_TRUE(PressKey(m_host, Key::Home));
    ASSERT_TRUE(PressKey(m_host, Key::Backspace));
    EXPECT_TRUE(m_window->Of(L"textchanged").empty());
}

TEST_F(InputTest, ChoosingAComboItemRaisesItemSelect)
{
    ClickOn(L"sex");
    ASSERT_EQ(m_window->m_pm.GetOpenDropDown(), m_window->Find<DuiLib::CComboUI>(L"sex"));
    // The list opens below the combo, one row per item as high as the combo.
    const RECT combo = m_window->m_pm.FindControl(L"sex")->GetPos();
    const int rowHeight = combo.bottom - combo.top;
    ASSERT_TRUE(Click(m_host, (combo.left + combo.right) / 2, combo.bottom + rowHeight + rowHeight / 2));
    EXPECT_EQ(m_window->m_pm.GetOpenDropDown(), nullptr);

    auto* sex = m_window->Find<DuiLib::CComboUI>(L"sex");
    EXPECT_EQ(sex->GetCurSel(), 1);
    auto selected = m_window->Of(L"itemselect");
    ASSERT_EQ(selected.size(), 1u);
    EXPECT_EQ(selected[0].sSender, L"sex");
    EXPECT_EQ(selected[0].sText, L"Female");

    // The keyboard chooses as well; choosing the chosen item again raises nothing.
    ASSERT_TRUE(PressKey(m_host, Key::Down));
    ASSERT_TRUE(PressKey(m_host, Key::Down));
    EXPECT_EQ(sex->GetCurSel(), 2);
    EXPECT_EQ(m_window->Of(L"itemselect").size(), 2u);
}

TEST_F(InputTest, InputHonoursZoomAndDisabledControls)
{
    m_window->m_pm.SetZoomRatio(2.0f);
    MoveWindow(m_host, 0, 0, 800, 600, TRUE);
    m_window->ResizeClient(800, 600);
    // (150, 60) was inside the name edit at zoom 1; at zoom 2 it lies on its label.
    ASSERT_TRUE(Click(m_host, 300, 120));
    EXPECT_EQ(Focused(), L"name");

    m_window->m_pm.FindControl(L"name")->SetEnabled(false);
    EXPECT_EQ(Focused(), L"") << "a disabled control loses the focus";
    ASSERT_TRUE(Click(m_host, 300, 120));
    EXPECT_EQ(Focused(), L"");
    EXPECT_FALSE(TypeText(m_host, nullptr));
    EXPECT_FALSE(Click(m_host, 900, 10));
}

TEST(Host, InputNeedsTheFocusInTheWindow)
{
    HWND first = platform::CreateHostWindow(100, 100);
    HWND second = platform::CreateHostWindow(100, 100);
    ASSERT_TRUE(Click(first, 10, 10));
    EXPECT_TRUE(TypeText(first, L"a"));
    EXPECT_FALSE(TypeText(second, L"a"));
    EXPECT_FALSE(PressKey(second, Key::Tab));
    DestroyWindow(first);
    DestroyWindow(second);
    EXPECT_EQ(platform::CaptureWindow(first), nullptr);
}

TEST(Host, DragsWheelsAndChordsRefuseWhatNoPersonCouldDo)
{
    HWND host = platform::CreateHostWindow(200, 100);
    SkinWindow window(R"(<Window><HorizontalLayout><Edit name="field"/></HorizontalLayout></Window>)");
    ASSERT_NE(window.Create(host, L"page", WS_CHILD | WS_VISIBLE, 0, 0, 0, 200, 100), nullptr);
    EXPECT_FALSE(platform::MouseUp(host, 10, 10)) << "no button is down";
    EXPECT_TRUE(platform::MouseMove(host, 10, 10));
    EXPECT_FALSE(platform::MouseMove(host, 500, 10)) << "a pointer outside the window without a press";
    EXPECT_FALSE(platform::MouseDown(host, -1, 10));
    ASSERT_TRUE(platform::MouseDown(host, 10, 10));
    EXPECT_TRUE(platform::MouseMove(host, 500, 10)) << "the pressed window follows the drag outside";
    EXPECT_TRUE(platform::MouseUp(host, 500, 10));
    EXPECT_FALSE(platform::MouseUp(host, 500, 10));
    EXPECT_FALSE(platform::Wheel(host, 10, 10, 274));
    EXPECT_TRUE(platform::Wheel(host, 10, 10, -273));
    EXPECT_FALSE(platform::Wheel(host, 10, 300, 1));

    // Letters type themselves, capitals with Shift; Ctrl and Alt chords type nothing.
    ASSERT_TRUE(PressKey(host, Key::A));
    ASSERT_TRUE(PressKey(host, Key::B, platform::Modifiers::Shift));
    ASSERT_TRUE(PressKey(host, Key::C, platform::Modifiers::Alt));
    ASSERT_TRUE(PressKey(host, Key::D, platform::Modifiers::Ctrl));
    EXPECT_EQ(window.Find<DuiLib::CEditUI>(L"field")->GetText().Str(), L"aB");
    for (int key : {VK_SHIFT, VK_CONTROL, VK_MENU}) {
        EXPECT_EQ(GetKeyState(key), 0) << "every modifier is released after its chord";
    }
    DestroyWindow(host);
}

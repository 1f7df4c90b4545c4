// The drop-downs of a window through a person's input: where a date field's calendar opens, and
// that exactly one drop-down is open, closed whenever its field goes.
#include "platform/Host.h"
#include "platform/duilib/CComboUI.h"
#include "platform/duilib/CDateTimeUI.h"
#include "support/SkinWindow.h"

#include <gtest/gtest.h>

#include <memory>

using DuiLib::CComboUI;
using DuiLib::CContainerUI;
using DuiLib::CDateTimeUI;
using platform::Click;
using platform::Key;
using platform::Modifiers;
using platform::PressKey;
using testing_support::SkinWindow;

namespace {

// A date field at the top with room below it, a button under its calendar, and a date field at
// the bottom of the window.
constexpr const char* kPage = R"(<Window><VerticalLayout childpadding="4">
    <Combo name="combo" height="24"><ListLabelElement text="Left"/><ListLabelElement text="Right"/></Combo>
    <DateTime name="top" height="24"/>
    <Button name="under" text="under"/>
    <HorizontalLayout name="row" height="24"><DateTime name="low"/></HorizontalLayout>
  </VerticalLayout></Window>)";

class DropDowns : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_host = platform::CreateHostWindow(300, 260);
        m_window = std::make_unique<SkinWindow>(kPage);
        ASSERT_NE(m_window->Create(m_host, L"page", WS_CHILD | WS_VISIBLE, 0, 0, 0, 300, 260), nullptr);
    }
    void TearDown() override
    {
        DestroyWindow(m_host);
        m_window.reset();
    }

    CDateTimeUI* Date(const wchar_t* name) { return m_window->Find<CDateTimeUI>(name); }
    DuiLib::IDropDownUI* Open() const { return m_window->m_pm.GetOpenDropDown(); }
    // A press on the drop button at a field's right end.
    void PressButton(const wchar_t* name)
    {
        m_window->m_pm.UpdateLayout();
        const RECT& rc = m_window->m_pm.FindControl(name)->GetPos();
        ASSERT_TRUE(Click(m_host, rc.right - 4, (rc.top + rc.bottom) / 2));
    }
    // A click on the 25th cell of the open calendar's grid, a day in every month.
    void ClickADay()
    {
        const RECT rc = Open()->GetDropDownRect();
        ASSERT_TRUE(Click(m_host, rc.left + 4 + 3 * 28 + 14, rc.top + 4 + 48 + 20 + 3 * 22 + 11));
    }

    HWND m_host = nullptr;
    std::unique_ptr<SkinWindow> m_window;
};

} // namespace

TEST_F(DropDowns, TheCalendarOpensBelowOrAboveInsideTheWindowAtTheZoomsSize)
{
    Date(L"top")->SetText(L"2024-02-15");
    PressButton(L"top");
    ASSERT_EQ(Open(), Date(L"top"));
    RECT rc = Open()->GetDropDownRect();
    EXPECT_EQ(rc.top, Date(L"top")->GetPos().bottom);
    EXPECT_EQ(rc.right - rc.left, 204);
    EXPECT_EQ(rc.bottom - rc.top, 208);
    // That a pick closes the calendar, keeps the focus and sets the date is DateCalendarHostTest's.
    ClickADay();
    EXPECT_EQ(Date(L"top")->GetText().Str(), L"2024-02-22");
    EXPECT_TRUE(m_window->Of(L"click").empty()) << "the release of the pick reaches no control under the calendar";

    PressButton(L"low");
    ASSERT_EQ(Open(), Date(L"low"));
    rc = Open()->GetDropDownRect();
    EXPECT_EQ(rc.bottom, Date(L"low")->GetPos().top) << "no room below the bottom field";
    EXPECT_GE(rc.top, 0);
    ClickADay();
    EXPECT_EQ(Date(L"low")->GetText().GetLength(), 10) << "a day of the flipped calendar was picked";

    m_window->m_pm.SetZoomRatio(2.0f);
    MoveWindow(m_host, 0, 0, 600, 520, TRUE);
    m_window->ResizeClient(600, 520);
    PressButton(L"top");
    ASSERT_EQ(Open(), Date(L"top"));
    rc = Open()->GetDropDownRect();
    EXPECT_EQ(rc.right - rc.left, 408);
    EXPECT_EQ(rc.bottom - rc.top, 416);
}

TEST_F(DropDowns, OneIsOpenAtATimeAndItClosesWhenItsFieldGoes)
{
    auto* combo = m_window->Find<CComboUI>(L"combo");
    const POINT comboCentre = m_window->Centre(L"combo");
    PressButton(L"top");
    ASSERT_EQ(Open(), Date(L"top"));
    ASSERT_TRUE(Click(m_host, comboCentre.x, comboCentre.y));
    ASSERT_EQ(Open(), combo) << "the press closed the calendar and went on to the combo";
    const RECT item = combo->GetDropItemRect(1);
    ASSERT_TRUE(Click(m_host, (item.left + item.right) / 2, (item.top + item.bottom) / 2));
    EXPECT_EQ(combo->GetCurSel(), 1) << "the combo's list still chooses";
    EXPECT_EQ(Open(), nullptr);

    PressButton(L"top");
    ASSERT_TRUE(PressKey(m_host, Key::Up, Modifiers::Alt));
    EXPECT_EQ(Open(), nullptr) << "Alt+Up";
    ASSERT_TRUE(PressKey(m_host, Key::Down, Modifiers::Alt));
    ASSERT_EQ(Open(), Date(L"top"));
    ASSERT_TRUE(PressKey(m_host, Key::Tab));
    EXPECT_EQ(Open(), nullptr) << "the focus leaving";
    ASSERT_TRUE(PressKey(m_host, Key::Down, Modifiers::Alt));
    EXPECT_EQ(Open(), nullptr) << "Alt+Down belongs to the focused field only";

    // Disabling the field closes it: DateCalendarHostTest.
    PressButton(L"low");
    m_window->m_pm.FindControl(L"row")->SetVisible(false);
    EXPECT_EQ(Open(), nullptr) << "hiding the field's row";
    m_window->m_pm.FindControl(L"row")->SetVisible(true);
    PressButton(L"low");
    ASSERT_EQ(Open(), Date(L"low"));
    const RECT was = Open()->GetDropDownRect();
    dynamic_cast<CContainerUI*>(m_window->m_pm.FindControl(L"row"))->RemoveAll();
    EXPECT_EQ(Open(), nullptr) << "destroying the field";
    DeleteObject(platform::CaptureWindow(m_host));
    EXPECT_TRUE(Click(m_host, was.left + 20, was.top + 60));
}

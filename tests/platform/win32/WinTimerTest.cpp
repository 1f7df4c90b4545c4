#include "platform/duilib/CWindowWnd.h"
#include "platform/win32/WinUser.h"

#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <vector>

namespace {

// A window that records its WM_TIMER ids and lets a test act inside the handler.
class TimerWindow : public DuiLib::CWindowWnd {
public:
    std::vector<UINT_PTR> vecFired;
    std::function<void(UINT_PTR)> onTimer;

protected:
    DuiLib::LPCTSTR GetWindowClassName() const override { return L"TimerWindow"; }
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM) override
    {
        if (message == WM_TIMER) {
            vecFired.push_back(wParam);
            if (onTimer) {
                onTimer(wParam);
            }
        }
        return 0;
    }
};

} // namespace

TEST(WinTimer, TimersFireInTheOrderTheyFallDueAsTimePasses)
{
    TimerWindow window;
    ASSERT_NE(window.Create(nullptr, L"timers", 0, 0, 0, 0, 10, 10), nullptr);
    const HWND hwnd = window.GetHWND();
    EXPECT_EQ(SetTimer(hwnd, 1, 300, nullptr), 1u);
    EXPECT_EQ(SetTimer(hwnd, 2, 200, nullptr), 2u);
    EXPECT_EQ(platform::AdvanceTime(199), 0);
    // 200: 2; 300: 1; 400: 2; 600: 1 and 2, in the order they were last set.
    EXPECT_EQ(platform::AdvanceTime(401), 5);
    EXPECT_EQ(window.vecFired, (std::vector<UINT_PTR>{2, 1, 2, 1, 2}));

    // Setting a timer again restarts it; a killed timer fires no more.
    window.vecFired.clear();
    EXPECT_EQ(SetTimer(hwnd, 1, 300, nullptr), 1u);
    EXPECT_TRUE(KillTimer(hwnd, 2));
    EXPECT_FALSE(KillTimer(hwnd, 2));
    EXPECT_EQ(platform::AdvanceTime(299), 0);
    EXPECT_EQ(platform::AdvanceTime(1), 1);
    // Intervals below 10 ms count as 10, as on the desktop.
    EXPECT_EQ(SetTimer(hwnd, 3, 0, nullptr), 3u);
    EXPECT_EQ(platform::AdvanceTime(100), 10);
    DestroyWindow(hwnd);
}

TEST(WinTimer, BadWindowsAndIdsAreRefusedAndTimersDieWithTheirWindow)
{
    EXPECT_EQ(SetTimer(nullptr, 1, 100, nullptr), 0u);
    TimerWindow window;
    ASSERT_NE(window.Create(nullptr, L"timers", 0, 0, 0, 0, 10, 10), nullptr);
    const HWND hwnd = window.GetHWND();
    EXPECT_EQ(SetTimer(hwnd, 0, 100, nullptr), 0u);
    EXPECT_EQ(SetTimer(hwnd, 7, 100, nullptr), 7u);
    DestroyWindow(hwnd);
    EXPECT_FALSE(KillTimer(hwnd, 7));
    EXPECT_EQ(platform::AdvanceTime(1000), 0);
}

TEST(WinTimer, AHandlerMaySetKillAndDestroyWhileTimeAdvances)
{
    TimerWindow window;
    ASSERT_NE(window.Create(nullptr, L"timers", 0, 0, 0, 0, 10, 10), nullptr);
    const HWND hwnd = window.GetHWND();
    SetTimer(hwnd, 1, 100, nullptr);
    SetTimer(hwnd, 2, 150, nullptr);
    window.onTimer = [&](UINT_PTR id) {
        if (id == 1 && window.vecFired.size() == 1) {
            KillTimer(hwnd, 2);
            SetTimer(hwnd, 3, 10, nullptr);
        } else if (id == 3) {
            DestroyWindow(hwnd);
        }
    };
    EXPECT_EQ(platform::AdvanceTime(1000), 2);
    EXPECT_EQ(window.vecFired, (std::vector<UINT_PTR>{1, 3}));
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST(WinTimer, KeyStateFollowsTheKeyMessagesSent)
{
    TimerWindow window;
    ASSERT_NE(window.Create(nullptr, L"keys", 0, 0, 0, 0, 10, 10), nullptr);
    EXPECT_EQ(GetKeyState(static_cast<int>(VK_SHIFT)), 0);
    SendMessage(window.GetHWND(), WM_KEYDOWN, VK_SHIFT, 0);
    EXPECT_LT(GetKeyState(static_cast<int>(VK_SHIFT)), 0);
    SendMessage(window.GetHWND(), WM_KEYUP, VK_SHIFT, 0);
    EXPECT_EQ(GetKeyState(static_cast<int>(VK_SHIFT)), 0);
    EXPECT_EQ(GetKeyState(-1), 0);
    EXPECT_EQ(GetKeyState(100000), 0);
    SendMessage(window.GetHWND(), WM_KEYDOWN, 100000, 0);
    DestroyWindow(window.GetHWND());
}

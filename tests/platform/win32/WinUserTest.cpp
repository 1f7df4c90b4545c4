#include "platform/duilib/CWindowWnd.h"
#include "platform/win32/WinUser.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A window object that records the messages it gets.
class Recorder : public DuiLib::CWindowWnd {
public:
    std::vector<UINT> vecMessages;

protected:
    DuiLib::LPCTSTR GetWindowClassName() const override { return L"Recorder"; }
    LRESULT HandleMessage(UINT message, WPARAM, LPARAM) override
    {
        vecMessages.push_back(message);
        return 0;
    }
};

} // namespace

TEST(WinUser, WindowsNestMoveShowAndDie)
{
    HWND top = platform::CreateWindowObject(0, L"top", WS_VISIBLE, 0, 0, 300, 200, nullptr, nullptr);
    HWND child = platform::CreateWindowObject(0, L"child", WS_CHILD | WS_VISIBLE, 10, 20, 50, 40, top, nullptr);
    ASSERT_TRUE(IsWindow(child));
    EXPECT_EQ(GetParent(child), top);
    EXPECT_EQ(platform::GetChildWindows(top, nullptr, 0), 1);
    ASSERT_TRUE(MoveWindow(child, 5, 6, 70, 80, TRUE));
    RECT rc{};
    ASSERT_TRUE(GetWindowRect(child, &rc));
    EXPECT_EQ(rc, (RECT{5, 6, 75, 86}));
    ASSERT_TRUE(GetClientRect(child, &rc));
    EXPECT_EQ(rc, (RECT{0, 0, 70, 80}));

    POINT pt{10, 10};
    EXPECT_EQ(platform::ChildWindowFromPointDeep(top, pt), child);
    EXPECT_EQ(pt.x, 5);
    ShowWindow(child, SW_HIDE);
    EXPECT_FALSE(IsWindowVisible(child));
    pt = POINT{10, 10};
    EXPECT_EQ(platform::ChildWindowFromPointDeep(top, pt), top) << "hidden windows take no clicks";

    ASSERT_TRUE(DestroyWindow(top));
    EXPECT_FALSE(IsWindow(top));
    EXPECT_FALSE(IsWindow(child)) << "children die with their parent";
    EXPECT_FALSE(DestroyWindow(child));
    EXPECT_FALSE(MoveWindow(child, 0, 0, 1, 1, TRUE));
    EXPECT_EQ(platform::CreateWindowObject(0, L"orphan", WS_CHILD, 0, 0, 1, 1, top, nullptr), nullptr)
        << "a dead parent takes no children";

    // Handles are never reused, so a stale handle stays dead.
    HWND next = platform::CreateWindowObject(0, L"next", 0, 0, 0, 1, 1, nullptr, nullptr);
    EXPECT_NE(next, top);
    EXPECT_NE(next, child);
    DestroyWindow(next);
}

TEST(WinUser, WindowObjectsAndNativeWindowsOutliveEachOther)
{
    // The native window goes first: the object hears WM_DESTROY and forgets its handle.
    Recorder first;
    ASSERT_NE(first.Create(nullptr, L"first", 0, 0, 0, 0, 10, 10), nullptr);
    const HWND handle = first.GetHWND();
    DestroyWindow(handle);
    EXPECT_EQ(first.GetHWND(), nullptr);
    ASSERT_GE(first.vecMessages.size(), 2u);
    EXPECT_EQ(first.vecMessages.front(), WM_CREATE);
    EXPECT_EQ(first.vecMessages.back(), WM_NCDESTROY);
    const size_t seen = first.vecMessages.size();
    SendMessage(handle, WM_SIZE, 0, 0);
    EXPECT_EQ(first.vecMessages.size(), seen);

    // The object goes first: its window stays, but never calls into the freed object (the
    // sanitizer build would report it).
    HWND orphan = nullptr;
    {
        Recorder second;
        orphan = second.Create(nullptr, L"second", 0, 0, 0, 0, 10, 10);
        ASSERT_NE(orphan, nullptr);
    }
    EXPECT_TRUE(IsWindow(orphan));
    MoveWindow(orphan, 0, 0, 20, 20, TRUE);
    SetFocus(orphan);
    EXPECT_TRUE(DestroyWindow(orphan));
}

TEST(WinUser, FocusMovesWithKillAndSetFocus)
{
    Recorder a;
    Recorder b;
    a.Create(nullptr, L"a", WS_VISIBLE, 0, 0, 0, 10, 10);
    b.Create(nullptr, L"b", WS_VISIBLE, 0, 0, 0, 10, 10);
    SetFocus(a.GetHWND());
    a.vecMessages.clear();
    EXPECT_EQ(SetFocus(b.GetHWND()), a.GetHWND());
    EXPECT_EQ(GetFocus(), b.GetHWND());
    EXPECT_EQ(a.vecMessages, std::vector<UINT>{WM_KILLFOCUS});
    DestroyWindow(b.GetHWND());
    EXPECT_EQ(GetFocus(), nullptr);
    DestroyWindow(a.GetHWND());
}

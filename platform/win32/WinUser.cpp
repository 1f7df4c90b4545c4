#include "platform/win32/WinUser.h"

#include <algorithm>
#include <bitset>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

struct WindowObject {
    std::wstring strName;
    DWORD dwStyle = 0;
    DWORD dwExStyle = 0;
    RECT rc{};
    HWND hParent = nullptr;
    std::vector<HWND> vecChildren;
    IWindowProc* pProc = nullptr;
};

// Windows live on the host's UI thread, like the control itself; the registry is not locked.
std::unordered_map<std::uintptr_t, WindowObject>& Registry()
{
    static std::unordered_map<std::uintptr_t, WindowObject> windows;
    return windows;
}

std::uintptr_t g_nextHandle = 1;
HWND g_focus = nullptr;

// Keys that are down, by virtual key code.
std::bitset<256> g_keysDown;

struct Timer {
    HWND hwnd;
    UINT_PTR id;
    std::uint64_t nInterval;
    std::uint64_t nDue;
    std::uint64_t nOrder;  // setting order, so that timers due together fire in that order
};

constexpr UINT kMinTimerInterval = 10;
std::uint64_t g_now = 0;
std::uint64_t g_timerOrder = 0;

std::vector<Timer>& Timers()
{
    static std::vector<Timer> timers;
    return timers;
}

void RemoveTimers(HWND hwnd)
{
    auto& timers = Timers();
    timers.erase(std::remove_if(timers.begin(), timers.end(), [hwnd](const Timer& t) { return t.hwnd == hwnd; }),
                 timers.end());
}

WindowObject* Find(HWND hwnd)
{
    auto it = Registry().find(reinterpret_cast<std::uintptr_t>(hwnd));
    return it == Registry().end() ? nullptr : &it->second;
}

LRESULT Send(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    WindowObject* window = Find(hwnd);
    if (window == nullptr || window->pProc == nullptr) {
        return 0;
    }
    return window->pProc->WindowProc(hwnd, message, wParam, lParam);
}

bool IsAncestor(HWND ancestor, HWND hwnd)
{
    for (WindowObject* w = Find(hwnd); w != nullptr; w = Find(w->hParent)) {
        if (w->hParent == ancestor) {
            return true;
        }
    }
    return false;
}

// The window rectangle at (x, y) of size cx x cy, clamped to what messages can carry.
RECT WindowRect(int x, int y, int cx, int cy)
{
    const int left = std::clamp(x, -kMaxWindowExtent, kMaxWindowExtent);
    const int top = std::clamp(y, -kMaxWindowExtent, kMaxWindowExtent);
    return RECT{left, top, left + std::clamp(cx, 0, kMaxWindowExtent), top + std::clamp(cy, 0, kMaxWindowExtent)};
}

} // namespace

namespace platform {

HWND CreateWindowObject(DWORD exStyle, const wchar_t* name, DWORD style, int x, int y, int cx, int cy, HWND parent,
                        IWindowProc* proc)
{
    if ((parent != nullptr && Find(parent) == nullptr) || cx < 0 || cy < 0) {
        return nullptr;
    }
    const RECT rc = WindowRect(x, y, cx, cy);
    HWND hwnd = reinterpret_cast<HWND>(g_nextHandle++);
    WindowObject& window = Registry()[reinterpret_cast<std::uintptr_t>(hwnd)];
    window.strName = name != nullptr ? name : L"";
    window.dwStyle = style;
    window.dwExStyle = exStyle;
    window.rc = rc;
    window.hParent = parent;
    window.pProc = proc;
    if (parent != nullptr) {
        Find(parent)->vecChildren.push_back(hwnd);
    }
    Send(hwnd, WM_CREATE, 0, 0);
    if (IsWindow(hwnd)) {
        Send(hwnd, WM_SIZE, 0, MAKELPARAM(rc.right - rc.left, rc.bottom - rc.top));
    }
    return IsWindow(hwnd) ? hwnd : nullptr;
}

void DetachWindowProc(HWND hwnd)
{
    if (WindowObject* window = Find(hwnd)) {
        window->pProc = nullptr;
    }
}

int GetChildWindows(HWND hwnd, HWND* children, int capacity)
{
    WindowObject* window = Find(hwnd);
    if (window == nullptr) {
        return 0;
    }
    const int count = static_cast<int>(window->vecChildren.size());
    for (int i = 0; i < count && i < capacity && children != nullptr; ++i) {
        children[i] = window->vecChildren[i];
    }
    return count;
}

HWND ChildWindowFromPointDeep(HWND hwnd, POINT& point)
{
    WindowObject* window = Find(hwnd);
    if (window == nullptr) {
        return nullptr;
    }
    // Later children lie above earlier ones.
    for (auto it = window->vecChildren.rbegin(); it != window->vecChildren.rend(); ++it) {
        WindowObject* child = Find(*it);
        if (child == nullptr || (child->dwStyle & WS_VISIBLE) == 0) {
            continue;
        }
        if (point.x >= child->rc.left && point.x < child->rc.right && point.y >= child->rc.top &&
            point.y < child->rc.bottom) {
            point.x -= child->rc.left;
            point.y -= child->rc.top;
            return ChildWindowFromPointDeep(*it, point);
        }
    }
    return hwnd;
}

} // namespace platform

BOOL IsWindow(HWND hwnd)
{
    return Find(hwnd) != nullptr ? TRUE : FALSE;
}

BOOL DestroyWindow(HWND hwnd)
{
    WindowObject* window = Find(hwnd);
    if (window == nullptr) {
        return FALSE;
    }
    const std::vector<HWND> children = window->vecChildren;
    for (HWND child : children) {
        DestroyWindow(child);
    }
    if (g_focus == hwnd) {
        g_focus = nullptr;
    }
    RemoveTimers(hwnd);
    Send(hwnd, WM_DESTROY, 0, 0);
    Send(hwnd, WM_NCDESTROY, 0, 0);
    window = Find(hwnd);
    if (window == nullptr) {
        return TRUE;
    }
    if (WindowObject* parent = Find(window->hParent)) {
        auto& siblings = parent->vecChildren;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), hwnd), siblings.end());
    }
    Registry().erase(reinterpret_cast<std::uintptr_t>(hwnd));
    return TRUE;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int cx, int cy, BOOL)
{
    WindowObject* window = Find(hwnd);
    if (window == nullptr) {
        return FALSE;
    }
    const RECT rc = WindowRect(x, y, cx, cy);
    const bool resized = window->rc.right - window->rc.left != rc.right - rc.left ||
                         window->rc.bottom - window->rc.top != rc.bottom - rc.top;
    window->rc = rc;
    Send(hwnd, WM_MOVE, 0, MAKELPARAM(rc.left, rc.top));
    if (resized) {
        Send(hwnd, WM_SIZE, 0, MAKELPARAM(rc.right - rc.left, rc.bottom - rc.top));
    }
    return TRUE;
}

BOOL ShowWindow(HWND hwnd, int command)
{
    WindowObject* window = Find(hwnd);
    if (window == nullptr) {
        return FALSE;
    }
    const BOOL wasVisible = (window->dwStyle & WS_VISIBLE) != 0 ? TRUE : FALSE;
    const bool show = command != SW_HIDE;
    if (show) {
        window->dwStyle |= WS_VISIBLE;
    } else {
        window->dwStyle &= ~WS_VISIBLE;
        if (g_focus == hwnd || IsAncestor(hwnd, g_focus)) {
            SetFocus(window->hParent);
        }
    }
    if ((wasVisible != FALSE) != show) {
        Send(hwnd, WM_SHOWWINDOW, show ? 1 : 0, 0);
    }
    return wasVisible;
}

BOOL IsWindowVisible(HWND hwnd)
{
    for (WindowObject* w = Find(hwnd); w != nullptr; w = Find(w->hParent)) {
        if ((w->dwStyle & WS_VISIBLE) == 0) {
            return FALSE;
        }
    }
    return Find(hwnd) != nullptr ? TRUE : FALSE;
}

BOOL EnableWindow(HWND hwnd, BOOL enable)
{
    WindowObject* window = Find(hwnd);
    if (window == nullptr) {
        return FALSE;
    }
    const BOOL wasDisabled = (window->dwStyle & WS_DISABLED) != 0 ? TRUE : FALSE;
    if (enable) {
        window->dwStyle &= ~WS_DISABLED;
    } else {
        window->dwStyle |= WS_DISABLED;
    }
    Send(hwnd, WM_ENABLE, enable ? 1 : 0, 0);
    return wasDisabled;
}

BOOL IsWindowEnabled(HWND hwnd)
{
    WindowObject* window = Find(hwnd);
    return window != nullptr && (window->dwStyle & WS_DISABLED) == 0 ? TRUE : FALSE;
}

HWND GetParent(HWND hwnd)
{
    WindowObject* window = Find(hwnd);
    return window != nullptr ? window->hParent : nullptr;
}

BOOL GetWindowRect(HWND hwnd, RECT* rect)
{
    WindowObject* window = Find(hwnd);
    if (window == nullptr || rect == nullptr) {
        return FALSE;
    }
    *rect = window->rc;
    return TRUE;
}

BOOL GetClientRect(HWND hwnd, RECT* rect)
{
    WindowObject* window = Find(hwnd);
    if (window == nullptr || rect == nullptr) {
        return FALSE;
    }
    *rect = RECT{0, 0, window->rc.right - window->rc.left, window->rc.bottom - window->rc.top};
    return TRUE;
}

HWND SetFocus(HWND hwnd)
{
    const HWND previous = g_focus;
    if (hwnd != nullptr && Find(hwnd) == nullptr) {
        return nullptr;
    }
    if (previous == hwnd) {
        return previous;
    }
    g_focus = hwnd;
    Send(previous, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
    Send(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(previous), 0);
    return previous;
}

HWND GetFocus()
{
    return Find(g_focus) != nullptr ? g_focus : nullptr;
}

LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if ((message == WM_KEYDOWN || message == WM_KEYUP) && wParam < g_keysDown.size()) {
        g_keysDown[wParam] = message == WM_KEYDOWN;
    }
    return Send(hwnd, message, wParam, lParam);
}

SHORT GetKeyState(int virtKey)
{
    const bool down = virtKey >= 0 && static_cast<size_t>(virtKey) < g_keysDown.size() && g_keysDown[static_cast<size_t>(virtKey)];
    return down ? static_cast<SHORT>(-0x8000) : 0;
}

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, void*)
{
    if (Find(hwnd) == nullptr || id == 0) {
        return 0;
    }
    KillTimer(hwnd, id);
    const std::uint64_t interval = std::max(elapse, kMinTimerInterval);
    Timers().push_back(Timer{hwnd, id, interval, g_now + interval, g_timerOrder++});
    return id;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id)
{
    auto& timers = Timers();
    const auto it = std::find_if(timers.begin(), timers.end(), [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
    if (it == timers.end()) {
        return FALSE;
    }
    timers.erase(it);
    return TRUE;
}

namespace platform {

int AdvanceTime(unsigned milliseconds)
{
    const std::uint64_t end = g_now + milliseconds;
    int sent = 0;
    for (;;) {
        // A handler may set or kill timers, so the next one is looked up afresh each time.
        auto& timers = Timers();
        const auto next = std::min_element(timers.begin(), timers.end(), [](const Timer& a, const Timer& b) {
            return a.nDue != b.nDue ? a.nDue < b.nDue : a.nOrder < b.nOrder;
        });
        if (next == timers.end() || next->nDue > end) {
            break;
        }
        g_now = next->nDue;
        next->nDue += next->nInterval;
        next->nOrder = g_timerOrder++;
        const HWND hwnd = next->hwnd;
        const UINT_PTR id = next->id;
        Send(hwnd, WM_TIMER, id, 0);
        ++sent;
    }
    g_now = end;
    return sent;
}

} // namespace platform

#include "platform/win32/WinUser.h"

#include "platform/Host.h"

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
    platform::IWindowBackend* pBackend = nullptr;  // top-level windows only; null: headless
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

// The backend of windows that no screen shows: time passes when the host says so, and copy and
// paste share one clipboard in the process.
class HeadlessBackend : public platform::IWindowBackend {
public:
    void Invalidate(HWND, const RECT&) override {}
    std::uint64_t Now() override { return m_now; }
    void TimersChanged(HWND, long long) override {}
    void CursorChanged(HWND, platform::CursorShape) override {}
    void CaretChanged(HWND, const RECT&) override {}
    bool GetClipboardText(std::wstring& text, bool selection) override
    {
        text = selection ? m_strSelection : m_strClipboard;
        return true;
    }
    bool SetClipboardText(const std::wstring& text, bool selection) override
    {
        (selection ? m_strSelection : m_strClipboard) = text;
        return true;
    }

    void SetNow(std::uint64_t now) { m_now = now; }

private:
    std::uint64_t m_now = 0;
    std::wstring m_strClipboard;
    std::wstring m_strSelection;
};

HeadlessBackend& Headless()
{
    static HeadlessBackend backend;
    return backend;
}

struct Timer {
    HWND hwnd;
    UINT_PTR id;
    platform::IWindowBackend* pBackend;  // whose clock the timer runs on
    std::uint64_t nInterval;
    std::uint64_t nDue;
    std::uint64_t nOrder;  // setting order, so that timers due together fire in that order
};

constexpr UINT kMinTimerInterval = 10;
std::uint64_t g_timerOrder = 0;

std::vector<Timer>& Timers()
{
    static std::vector<Timer> timers;
    return timers;
}

WindowObject* Find(HWND hwnd)
{
    auto it = Registry().find(reinterpret_cast<std::uintptr_t>(hwnd));
    return it == Registry().end() ? nullptr : &it->second;
}

HWND TopLevelOf(HWND hwnd)
{
    WindowObject* window = Find(hwnd);
    while (window != nullptr && Find(window->hParent) != nullptr) {
        hwnd = window->hParent;
        window = Find(hwnd);
    }
    return window != nullptr ? hwnd : nullptr;
}

// The backend that shows the window's tree; the headless one for a window that is not there.
platform::IWindowBackend* BackendOf(HWND hwnd)
{
    WindowObject* top = Find(TopLevelOf(hwnd));
    return top != nullptr && top->pBackend != nullptr ? top->pBackend : &Headless();
}

// The caret: one for the whole thread, as on Windows.
struct Caret {
    HWND hwnd = nullptr;
    int nWidth = 0;
    int nHeight = 0;
    POINT pt{};
    bool bPlaced = false;  // SetCaretPos has given it a place since CreateCaret
};
Caret g_caret;

// The window that the last mouse message went to: the one SetCursor speaks for.
HWND g_pointer = nullptr;

// A rectangle of the window's client area in its top-level window's client coordinates, clipped
// to the window and to every ancestor; false when nothing of it is left.
bool ToTopLevel(HWND hwnd, RECT& rc)
{
    for (WindowObject* window = Find(hwnd); window != nullptr;) {
        rc.left = std::max<LONG>(rc.left, 0);
        rc.top = std::max<LONG>(rc.top, 0);
        rc.right = std::min<LONG>(rc.right, window->rc.right - window->rc.left);
        rc.bottom = std::min<LONG>(rc.bottom, window->rc.bottom - window->rc.top);
        if (rc.right <= rc.left || rc.bottom <= rc.top) {
            return false;
        }
        WindowObject* parent = Find(window->hParent);
        if (parent == nullptr) {
            return true;
        }
        rc.left += window->rc.left;
        rc.right += window->rc.left;
        rc.top += window->rc.top;
        rc.bottom += window->rc.top;
        window = parent;
    }
    return false;
}

// Tells the caret's backend where the caret is now (nowhere, when its window is hidden).
void TellCaret(HWND owner)
{
    RECT rc{g_caret.pt.x, g_caret.pt.y, g_caret.pt.x + g_caret.nWidth, g_caret.pt.y + g_caret.nHeight};
    if (g_caret.hwnd != owner || !IsWindowVisible(owner) || !ToTopLevel(owner, rc)) {
        rc = RECT{};
    }
    BackendOf(owner)->CaretChanged(TopLevelOf(owner), rc);
}

// The part of the parent that the window covers needs a repaint: it appeared, moved, changed
// size or went away. A top-level window repaints all of itself.
void InvalidateArea(HWND hwnd)
{
    WindowObject* window = Find(hwnd);
    if (window == nullptr) {
        return;
    }
    if (Find(window->hParent) == nullptr) {
        InvalidateRect(hwnd, nullptr, FALSE);
        return;
    }
    const RECT rc = window->rc;
    InvalidateRect(window->hParent, &rc, FALSE);
}

// The timer of the backend that falls due first, or the end of the list.
std::vector<Timer>::iterator NextTimer(platform::IWindowBackend* backend)
{
    auto& timers = Timers();
    auto next = timers.end();
    for (auto it = timers.begin(); it != timers.end(); ++it) {
        if (it->pBackend == backend &&
            (next == timers.end() || it->nDue < next->nDue || (it->nDue == next->nDue && it->nOrder < next->nOrder))) {
            next = it;
        }
    }
    return next;
}

// Tells the backend when its next timer falls due (never: -1).
void TellTimers(platform::IWindowBackend* backend)
{
    const auto next = NextTimer(backend);
    if (next == Timers().end()) {
        backend->TimersChanged(nullptr, -1);
        return;
    }
    const std::uint64_t now = backend->Now();
    backend->TimersChanged(TopLevelOf(next->hwnd), next->nDue > now ? static_cast<long long>(next->nDue - now) : 0);
}

void RemoveTimers(HWND hwnd)
{
    auto& timers = Timers();
    const auto removed = std::remove_if(timers.begin(), timers.end(), [hwnd](const Timer& t) { return t.hwnd == hwnd; });
    if (removed == timers.end()) {
        return;
    }
    platform::IWindowBackend* backend = removed->pBackend;
    timers.erase(removed, timers.end());
    TellTimers(backend);
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

// Sends the timer's WM_TIMER and sets its next due time: an interval after this one, and not
// before `notBefore`, so that a host whose clock ran past several intervals fires each timer once
// (the missed ones are skipped) instead of catching up.
int FireTimer(Timer& timer, std::uint64_t notBefore = 0)
{
    timer.nDue = std::max(timer.nDue + timer.nInterval, notBefore);
    timer.nOrder = g_timerOrder++;
    const HWND hwnd = timer.hwnd;
    const UINT_PTR id = timer.id;
    Send(hwnd, WM_TIMER, id, 0);
    return 1;
}

} // namespace

namespace srctrl::platform {

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
    if ((style & WS_VISIBLE) != 0) {
        InvalidateArea(hwnd);
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

} // namespace srctrl::platform

BOOL srctrl::IsWindow(HWND hwnd)
{
    return Find(hwnd) != nullptr ? TRUE : FALSE;
}

BOOL srctrl::DestroyWindow(HWND hwnd)
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
    if (g_caret.hwnd == hwnd) {
        DestroyCaret();
    }
    if (g_pointer == hwnd) {
        g_pointer = nullptr;
    }
    if (IsWindowVisible(hwnd)) {
        InvalidateArea(hwnd);
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

BOOL srctrl::MoveWindow(HWND hwnd, int x, int y, int cx, int cy, BOOL)
{
    WindowObject* window = Find(hwnd);
    if (window == nullptr) {
        return FALSE;
    }
    const RECT rc = WindowRect(x, y, cx, cy);
    const bool resized = window->rc.right - window->rc.left != rc.right - rc.left ||
                         window->rc.bottom - window->rc.top != rc.bottom - rc.top;
    const bool visible = IsWindowVisible(hwnd) != FALSE;
    if (visible) {
        InvalidateArea(hwnd);
    }
    window->rc = rc;
    if (visible) {
        InvalidateArea(hwnd);
    }
    Send(hwnd, WM_MOVE, 0, MAKELPARAM(rc.left, rc.top));
    if (resized) {
        Send(hwnd, WM_SIZE, 0, MAKELPARAM(rc.right - rc.left, rc.bottom - rc.top));
    }
    return TRUE;
}

BOOL srctrl::ShowWindow(HWND hwnd, int command)
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
        InvalidateArea(hwnd);
        Send(hwnd, WM_SHOWWINDOW, show ? 1 : 0, 0);
        if (g_caret.hwnd != nullptr && g_caret.bPlaced && IsWindow(g_caret.hwnd)) {
            TellCaret(g_caret.hwnd);
        }
    }
    return wasVisible;
}

BOOL srctrl::IsWindowVisible(HWND hwnd)
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

HWND srctrl::GetParent(HWND hwnd)
{
    WindowObject* window = Find(hwnd);
    return window != nullptr ? window->hParent : nullptr;
}

BOOL srctrl::GetWindowRect(HWND hwnd, RECT* rect)
{
    WindowObject* window = Find(hwnd);
    if (window == nullptr || rect == nullptr) {
        return FALSE;
    }
    *rect = window->rc;
    return TRUE;
}

BOOL srctrl::GetClientRect(HWND hwnd, RECT* rect)
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
    if (message >= WM_MOUSEMOVE && message <= WM_MOUSEWHEEL && Find(hwnd) != nullptr) {
        g_pointer = hwnd;
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
    platform::IWindowBackend* backend = BackendOf(hwnd);
    Timers().push_back(Timer{hwnd, id, backend, interval, backend->Now() + interval, g_timerOrder++});
    TellTimers(backend);
    return id;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id)
{
    auto& timers = Timers();
    const auto it = std::find_if(timers.begin(), timers.end(), [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
    if (it == timers.end()) {
        return FALSE;
    }
    platform::IWindowBackend* backend = it->pBackend;
    timers.erase(it);
    TellTimers(backend);
    return TRUE;
}

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL)
{
    RECT rc{};
    if (!IsWindowVisible(hwnd) || !GetClientRect(hwnd, &rc)) {
        return FALSE;
    }
    if (rect != nullptr) {
        rc = *rect;
    }
    if (ToTopLevel(hwnd, rc)) {
        BackendOf(hwnd)->Invalidate(TopLevelOf(hwnd), rc);
    }
    return TRUE;
}

BOOL CreateCaret(HWND hwnd, HBITMAP, int width, int height)
{
    if (Find(hwnd) == nullptr || width < 0 || height < 0) {
        return FALSE;
    }
    if (g_caret.hwnd != nullptr && g_caret.hwnd != hwnd) {
        DestroyCaret();
    }
    // Its place is told once SetCaretPos gives it one; a caret at the window's corner would send
    // an input method's window there.
    g_caret = Caret{hwnd, width, height, POINT{}, false};
    return TRUE;
}

BOOL SetCaretPos(int x, int y)
{
    if (g_caret.hwnd == nullptr) {
        return FALSE;
    }
    if (!g_caret.bPlaced || g_caret.pt.x != x || g_caret.pt.y != y) {
        g_caret.pt = POINT{x, y};
        g_caret.bPlaced = true;
        TellCaret(g_caret.hwnd);
    }
    return TRUE;
}

BOOL DestroyCaret()
{
    const HWND owner = g_caret.hwnd;
    if (owner == nullptr) {
        return FALSE;
    }
    g_caret = Caret{};
    BackendOf(owner)->CaretChanged(TopLevelOf(owner), RECT{});
    return TRUE;
}

HCURSOR LoadCursor(HINSTANCE, const wchar_t* name)
{
    if (name == IDC_ARROW || name == IDC_IBEAM || name == IDC_HAND) {
        return reinterpret_cast<HCURSOR>(const_cast<wchar_t*>(name));
    }
    return nullptr;
}

HCURSOR SetCursor(HCURSOR cursor)
{
    static HCURSOR current = LoadCursor(nullptr, IDC_ARROW);
    const HCURSOR previous = current;
    if (cursor == nullptr || Find(g_pointer) == nullptr) {
        return previous;
    }
    current = cursor;
    const auto* name = reinterpret_cast<const wchar_t*>(cursor);
    const platform::CursorShape shape = name == IDC_IBEAM ? platform::CursorShape::IBeam
                                        : name == IDC_HAND ? platform::CursorShape::Hand
                                                           : platform::CursorShape::Arrow;
    BackendOf(g_pointer)->CursorChanged(TopLevelOf(g_pointer), shape);
    return previous;
}

namespace srctrl::platform {

int AdvanceTime(unsigned milliseconds)
{
    HeadlessBackend& headless = Headless();
    const std::uint64_t end = headless.Now() + milliseconds;
    int sent = 0;
    for (;;) {
        // A handler may set or kill timers, so the next one is looked up afresh each time.
        const auto next = NextTimer(&headless);
        if (next == Timers().end() || next->nDue > end) {
            break;
        }
        headless.SetNow(next->nDue);
        sent += FireTimer(*next);
    }
    headless.SetNow(end);
    return sent;
}

int RunDueTimers(IWindowBackend* backend)
{
    if (backend == nullptr) {
        return 0;
    }
    const std::uint64_t now = backend->Now();
    int sent = 0;
    for (;;) {
        const auto next = NextTimer(backend);
        if (next == Timers().end() || next->nDue > now) {
            break;
        }
        sent += FireTimer(*next, now + 1);
    }
    // Also when nothing was due yet (a host's timer may fire early): the host must hear again
    // when to come back, or the timers would stop.
    TellTimers(backend);
    return sent;
}

bool SetWindowBackend(HWND topLevel, IWindowBackend* backend)
{
    WindowObject* window = Find(topLevel);
    if (window == nullptr || Find(window->hParent) != nullptr) {
        return false;
    }
    window->pBackend = backend;
    return true;
}

bool GetClipboardText(HWND hwnd, std::wstring& text, bool selection)
{
    return BackendOf(hwnd)->GetClipboardText(text, selection);
}

bool SetClipboardText(HWND hwnd, const std::wstring& text, bool selection)
{
    return BackendOf(hwnd)->SetClipboardText(text, selection);
}

std::uint64_t GetWindowTime(HWND hwnd)
{
    return BackendOf(hwnd)->Now();
}

HWND GetTopLevel(HWND hwnd)
{
    return TopLevelOf(hwnd);
}

} // namespace srctrl::platform

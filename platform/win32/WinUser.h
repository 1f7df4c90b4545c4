#pragma once

#include "platform/Export.h"
#include "platform/win32/WinDef.h"

#include <cstdint>

// Windows: a registry of window objects behind opaque handles. A handle is a number that is
// never reused, so a stale handle fails every call instead of reaching another window. Windows
// are not drawn on a screen; a window paints on request (WM_PRINTCLIENT) into a device context.

struct HWND__;
using HWND = HWND__*;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using SHORT = std::int16_t;
using UINT_PTR = std::uintptr_t;

constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_MOVE = 0x0003;
constexpr UINT WM_SIZE = 0x0005;
constexpr UINT WM_SETFOCUS = 0x0007;
constexpr UINT WM_KILLFOCUS = 0x0008;
constexpr UINT WM_ENABLE = 0x000A;
constexpr UINT WM_SHOWWINDOW = 0x0018;
constexpr UINT WM_NCDESTROY = 0x0082;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_CHAR = 0x0102;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_MOUSEMOVE = 0x0200;
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT WM_MOUSEWHEEL = 0x020A;
constexpr UINT WM_PRINTCLIENT = 0x0318;

constexpr DWORD WS_CHILD = 0x40000000;
constexpr DWORD WS_VISIBLE = 0x10000000;
constexpr DWORD WS_DISABLED = 0x08000000;
constexpr DWORD WS_CLIPSIBLINGS = 0x04000000;
constexpr DWORD WS_CLIPCHILDREN = 0x02000000;
constexpr DWORD WS_EX_ACCEPTFILES = 0x00000010;
constexpr DWORD WS_EX_WINDOWEDGE = 0x00000100;

constexpr int SW_HIDE = 0;
constexpr int SW_SHOW = 5;

// Button and modifier flags of mouse messages (the low word of wParam).
constexpr WPARAM MK_LBUTTON = 0x0001;
constexpr WPARAM MK_SHIFT = 0x0004;
constexpr WPARAM MK_CONTROL = 0x0008;
constexpr int WHEEL_DELTA = 120;

constexpr WPARAM VK_BACK = 0x08;
constexpr WPARAM VK_TAB = 0x09;
constexpr WPARAM VK_RETURN = 0x0D;
constexpr WPARAM VK_SHIFT = 0x10;
constexpr WPARAM VK_CONTROL = 0x11;
constexpr WPARAM VK_MENU = 0x12;
constexpr WPARAM VK_ESCAPE = 0x1B;
constexpr WPARAM VK_PRIOR = 0x21;
constexpr WPARAM VK_NEXT = 0x22;
constexpr WPARAM VK_END = 0x23;
constexpr WPARAM VK_HOME = 0x24;
constexpr WPARAM VK_LEFT = 0x25;
constexpr WPARAM VK_UP = 0x26;
constexpr WPARAM VK_RIGHT = 0x27;
constexpr WPARAM VK_DOWN = 0x28;
constexpr WPARAM VK_DELETE = 0x2E;

inline LPARAM MAKELPARAM(int low, int high)
{
    return static_cast<LPARAM>((static_cast<std::uint32_t>(high & 0xFFFF) << 16) | static_cast<std::uint32_t>(low & 0xFFFF));
}
inline int GET_X_LPARAM(LPARAM lp) { return static_cast<std::int16_t>(lp & 0xFFFF); }
inline int GET_Y_LPARAM(LPARAM lp) { return static_cast<std::int16_t>((lp >> 16) & 0xFFFF); }
inline int GET_WHEEL_DELTA_WPARAM(WPARAM wp) { return static_cast<std::int16_t>((wp >> 16) & 0xFFFF); }
inline WPARAM GET_KEYSTATE_WPARAM(WPARAM wp) { return wp & 0xFFFF; }

// What handles the messages of a window; the toolkit's CWindowWnd is one.
class IWindowProc {
public:
    virtual LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) = 0;

protected:
    ~IWindowProc() = default;
};

// Window positions are kept within [-kMaxWindowExtent, kMaxWindowExtent] and sizes within
// [0, kMaxWindowExtent], what the 16-bit halves of WM_MOVE and WM_SIZE carry, so every edge of a
// window is a plain int and the messages report the real values. Larger values are clamped.
constexpr int kMaxWindowExtent = 32767;

namespace platform {

// Creates a window at (x, y) in its parent's client coordinates (a top-level window without a
// parent) and sends WM_CREATE to `proc`, which may be null. Null for a parent that is not a
// window or a negative size; position and size are clamped as above.
SRCTRL_API HWND CreateWindowObject(DWORD exStyle, const wchar_t* name, DWORD style, int x, int y, int cx, int cy,
                                   HWND parent, IWindowProc* proc);

// Stops sending messages to the window's handler (the handler is being destroyed).
SRCTRL_API void DetachWindowProc(HWND hwnd);

} // namespace platform

SRCTRL_API BOOL IsWindow(HWND hwnd);
// Destroys the children first, then the window: each gets WM_DESTROY and WM_NCDESTROY, after
// which its handler is never called again.
SRCTRL_API BOOL DestroyWindow(HWND hwnd);
// A negative size counts as 0; position and size are clamped as above.
SRCTRL_API BOOL MoveWindow(HWND hwnd, int x, int y, int cx, int cy, BOOL repaint);
SRCTRL_API BOOL ShowWindow(HWND hwnd, int command);
SRCTRL_API BOOL IsWindowVisible(HWND hwnd);
SRCTRL_API BOOL EnableWindow(HWND hwnd, BOOL enable);
SRCTRL_API BOOL IsWindowEnabled(HWND hwnd);
SRCTRL_API HWND GetParent(HWND hwnd);
// The window's rectangle in its parent's client coordinates.
SRCTRL_API BOOL GetWindowRect(HWND hwnd, RECT* rect);
SRCTRL_API BOOL GetClientRect(HWND hwnd, RECT* rect);
// Gives the window the keyboard focus (WM_KILLFOCUS to the old one, WM_SETFOCUS to it);
// returns the previous focus window.
SRCTRL_API HWND SetFocus(HWND hwnd);
SRCTRL_API HWND GetFocus();
// Sends a message to the window's handler. WM_KEYDOWN and WM_KEYUP also record the key's state
// for GetKeyState first, as a desktop's message loop does before a window sees the key.
SRCTRL_API LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// The state of a virtual key as of the key messages sent so far: negative while it is down.
SRCTRL_API SHORT GetKeyState(int virtKey);

// Timers: the window gets WM_TIMER (wParam = the id) each time `elapse` milliseconds of the
// toolkit's clock have passed (at least 10). Setting an id again restarts it. SetTimer gives the
// id, or 0 for a window that is not there or an id of 0; KillTimer is false for an unknown timer.
// A window's timers end with it.
SRCTRL_API UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, void* unused);
SRCTRL_API BOOL KillTimer(HWND hwnd, UINT_PTR id);

namespace platform {

// The children of a window, in creation order, and the window under a point of the parent's
// client area (the deepest visible child), used by the host-side input functions.
SRCTRL_API int GetChildWindows(HWND hwnd, HWND* children, int capacity);
SRCTRL_API HWND ChildWindowFromPointDeep(HWND hwnd, POINT& point);

// The toolkit's clock does not run by itself, since the control has no threads: the host lets
// time pass, and every timer that falls due meanwhile gets its WM_TIMER, in the order in which
// they fall due. Returns how many WM_TIMER messages were sent.
SRCTRL_API int AdvanceTime(unsigned milliseconds);

} // namespace platform

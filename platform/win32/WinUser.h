#pragma once

#include "platform/Export.h"
#include "platform/win32/WinDef.h"
#include "platform/win32/WinWindow.h"

#include <cstdint>

// The window calls and messages the control uses inside the library (not installed; a host
// sees WinWindow.h). Windows: a registry of window objects behind opaque handles. Windows
// are not drawn on a screen; a window paints on request (WM_PRINTCLIENT) into a device context.

using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

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
constexpr UINT WM_CHAR = 0x0102;
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT WM_PRINTCLIENT = 0x0318;

constexpr DWORD WS_CHILD = 0x40000000;
constexpr DWORD WS_VISIBLE = 0x10000000;
constexpr DWORD WS_DISABLED = 0x08000000;
constexpr DWORD WS_CLIPSIBLINGS = 0x04000000;
constexpr DWORD WS_CLIPCHILDREN = 0x02000000;
constexpr DWORD WS_EX_ACCEPTFILES = 0x00000010;
constexpr DWORD WS_EX_WINDOWEDGE = 0x00000100;

constexpr WPARAM VK_BACK = 0x08;
constexpr WPARAM VK_TAB = 0x09;
constexpr WPARAM VK_RETURN = 0x0D;
constexpr WPARAM VK_ESCAPE = 0x1B;
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

// What handles the messages of a window; the toolkit's CWindowWnd is one.
class IWindowProc {
public:
    virtual LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) = 0;

protected:
    ~IWindowProc() = default;
};

namespace platform {

// Creates a window at (x, y) in its parent's client coordinates (a top-level window without a
// parent) and sends WM_CREATE to `proc`, which may be null. Null for a parent that is not a
// window or a negative size; position and size are clamped as above.
SRCTRL_API HWND CreateWindowObject(DWORD exStyle, const wchar_t* name, DWORD style, int x, int y, int cx, int cy,
                                   HWND parent, IWindowProc* proc);

// Stops sending messages to the window's handler (the handler is being destroyed).
SRCTRL_API void DetachWindowProc(HWND hwnd);

} // namespace platform

SRCTRL_API BOOL EnableWindow(HWND hwnd, BOOL enable);
SRCTRL_API BOOL IsWindowEnabled(HWND hwnd);
// Gives the window the keyboard focus (WM_KILLFOCUS to the old one, WM_SETFOCUS to it);
// returns the previous focus window.
SRCTRL_API HWND SetFocus(HWND hwnd);
SRCTRL_API HWND GetFocus();
SRCTRL_API LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

namespace platform {

// The children of a window, in creation order, and the window under a point of the parent's
// client area (the deepest visible child), used by the host-side input functions.
SRCTRL_API int GetChildWindows(HWND hwnd, HWND* children, int capacity);
SRCTRL_API HWND ChildWindowFromPointDeep(HWND hwnd, POINT& point);

} // namespace platform

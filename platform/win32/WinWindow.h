#pragma once

#include "platform/Export.h"
#include "platform/win32/WinDef.h"

// Windows as the host meets them: the control's window (IReportCtrl::Create, GetHWND) and the
// host window it lives in (platform::CreateHostWindow). A handle is never reused, so a stale
// handle fails every call instead of reaching another window.

namespace srctrl {

struct HWND__;
using HWND = HWND__*;

constexpr int SW_HIDE = 0;
constexpr int SW_SHOW = 5;

// Window positions are kept within [-kMaxWindowExtent, kMaxWindowExtent] and sizes within
// [0, kMaxWindowExtent], what the 16-bit halves of WM_MOVE and WM_SIZE carry, so every edge of a
// window is a plain int and the messages report the real values. Larger values are clamped.
constexpr int kMaxWindowExtent = 32767;

SRCTRL_API BOOL IsWindow(HWND hwnd);
// Destroys the children first, then the window: each gets WM_DESTROY and WM_NCDESTROY, after
// which its handler is never called again.
SRCTRL_API BOOL DestroyWindow(HWND hwnd);
// A negative size counts as 0; position and size are clamped as above.
SRCTRL_API BOOL MoveWindow(HWND hwnd, int x, int y, int cx, int cy, BOOL repaint);
SRCTRL_API BOOL ShowWindow(HWND hwnd, int command);
SRCTRL_API BOOL IsWindowVisible(HWND hwnd);
SRCTRL_API HWND GetParent(HWND hwnd);
// The window's rectangle in its parent's client coordinates.
SRCTRL_API BOOL GetWindowRect(HWND hwnd, RECT* rect);
SRCTRL_API BOOL GetClientRect(HWND hwnd, RECT* rect);

} // namespace srctrl

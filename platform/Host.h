#pragma once

#include "platform/Export.h"
#include "platform/win32/WinBitmap.h"
#include "platform/win32/WinWindow.h"

// What a desktop host does around the control: give it a window to live in, look at what it
// shows, and type and click into it as a person would. Input goes through the windows' normal
// message path, so the control sees exactly what a person's input would raise.
namespace platform {

// A visible top-level window of the given client size for a host to dock the control into; the
// host ends it with DestroyWindow.
SRCTRL_API HWND CreateHostWindow(int cx, int cy);

// The window's client area as a person would see it, its visible child windows included,
// painted onto white, in a new bitmap that the caller owns. Null for a window that is not there
// or has no area.
SRCTRL_API HBITMAP CaptureWindow(HWND hwnd);

// A left click at a point of the window's client area: the deepest visible child window under
// it receives the keyboard focus and the button press and release. False when the point is
// outside the window or the window under it is disabled.
SRCTRL_API bool Click(HWND hwnd, int x, int y);

// Types the characters into the window (of `hwnd` or below it) that has the keyboard focus.
// False when the focus is elsewhere.
SRCTRL_API bool TypeText(HWND hwnd, const wchar_t* text);

enum class Key { Tab, Backspace, Delete, Enter, Escape, Up, Down, Left, Right, Home, End };

// Presses and releases a key in the window (of `hwnd` or below it) that has the keyboard focus.
SRCTRL_API bool PressKey(HWND hwnd, Key key);

} // namespace platform

#pragma once

#include "platform/Export.h"
#include "platform/win32/WinGdi.h"
#include "platform/win32/WinUser.h"

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

// Modifier keys held during a key press or a mouse action; combine them with |.
enum class Modifiers : unsigned { None = 0, Shift = 1, Ctrl = 2, Alt = 4 };
inline Modifiers operator|(Modifiers a, Modifiers b)
{
    return static_cast<Modifiers>(static_cast<unsigned>(a) | static_cast<unsigned>(b));
}

// A left click at a point of the window's client area: the deepest visible child window under
// it receives the keyboard focus and the button press and release. False when the point is
// outside the window or the window under it is disabled.
SRCTRL_API bool Click(HWND hwnd, int x, int y, Modifiers modifiers = Modifiers::None);

// A drag in three steps: the button goes down at a point (as a click does), the pointer moves
// with the button held (the window that took the press gets the moves, wherever the pointer
// is, as with a mouse capture), and the button comes up. MouseMove without a press moves the
// pointer over the window under it. Each is false when the window or the press is not there.
SRCTRL_API bool MouseDown(HWND hwnd, int x, int y, Modifiers modifiers = Modifiers::None);
SRCTRL_API bool MouseMove(HWND hwnd, int x, int y, Modifiers modifiers = Modifiers::None);
SRCTRL_API bool MouseUp(HWND hwnd, int x, int y, Modifiers modifiers = Modifiers::None);

// Turns the mouse wheel over a point: `notches` positive away from the person (scrolls up),
// negative towards the person, one WHEEL_DELTA each. False outside the window, over a disabled
// window, or for more notches than one message carries (273 either way).
SRCTRL_API bool Wheel(HWND hwnd, int x, int y, int notches, Modifiers modifiers = Modifiers::None);

// Types the characters into the window (of `hwnd` or below it) that has the keyboard focus.
// False when the focus is elsewhere.
SRCTRL_API bool TypeText(HWND hwnd, const wchar_t* text);

enum class Key {
    Tab, Backspace, Delete, Enter, Escape, Up, Down, Left, Right, Home, End, PageUp, PageDown,
    A, B, C, D, E, F, G, H, I, J, K, L, M, N, O, P, Q, R, S, T, U, V, W, X, Y, Z
};

// Presses and releases a key, with the modifiers held, in the window (of `hwnd` or below it)
// that has the keyboard focus: the modifiers go down first (WM_KEYDOWN, so that GetKeyState sees
// them) and up last. Keys that stand for characters also type them, as on a desktop: Enter and
// Backspace their control characters, a letter itself (a capital with Shift), or its control
// character with Ctrl (Ctrl+A types 0x01).
SRCTRL_API bool PressKey(HWND hwnd, Key key, Modifiers modifiers = Modifiers::None);

// The control's timers (its caret blink, for one) run on the toolkit's clock, which moves only
// when the host lets time pass: platform::AdvanceTime(milliseconds) in platform/win32/WinUser.h.

} // namespace platform

#pragma once

#include "embed/SurfaceInput.h"
#include "platform/Export.h"
#include "platform/win32/WinBitmap.h"
#include "platform/win32/WinWindow.h"

// What a desktop host does around the control: give it a window to live in, look at what it
// shows, and type and click into it as a person would. Input goes through the windows' normal
// message path, so the control sees exactly what a person's input would raise.
namespace srctrl::platform {

// A visible top-level window of the given client size for a host to dock the control into; the
// host ends it with DestroyWindow.
SRCTRL_API HWND CreateHostWindow(int cx, int cy);

// The window's client area as a person would see it, its visible child windows included,
// painted onto white, in a new bitmap that the caller owns. Null for a window that is not there
// or has no area.
SRCTRL_API HBITMAP CaptureWindow(HWND hwnd);

// The input vocabulary is the embedding surface's: this test host drives the same path.
using srctrl::Key;
using srctrl::Modifiers;

// A left click at a point of the window's client area: the deepest visible child window under
// it receives the keyboard focus and the button press and release. False when the point is
// outside the window or the window under it is disabled.
SRCTRL_API bool Click(HWND hwnd, int x, int y, Modifiers modifiers = Modifiers::Plain);

// A drag in three steps: the button goes down at a point (as a click does), the pointer moves
// with the button held (the window that took the press gets the moves, wherever the pointer
// is, as with a mouse capture), and the button comes up. MouseMove without a press moves the
// pointer over the window under it. Each is false when the window or the press is not there.
SRCTRL_API bool MouseDown(HWND hwnd, int x, int y, Modifiers modifiers = Modifiers::Plain);
SRCTRL_API bool MouseMove(HWND hwnd, int x, int y, Modifiers modifiers = Modifiers::Plain);
SRCTRL_API bool MouseUp(HWND hwnd, int x, int y, Modifiers modifiers = Modifiers::Plain);

// Turns the mouse wheel over a point: `notches` positive away from the person (scrolls up),
// negative towards the person, one WHEEL_DELTA each. False outside the window, over a disabled
// window, or for more notches than one message carries (273 either way).
SRCTRL_API bool Wheel(HWND hwnd, int x, int y, int notches, Modifiers modifiers = Modifiers::Plain);

// Types the characters into the window (of `hwnd` or below it) that has the keyboard focus.
// False when the focus is elsewhere.
SRCTRL_API bool TypeText(HWND hwnd, const wchar_t* text);

// Presses and releases a key, with the modifiers held, in the window (of `hwnd` or below it)
// that has the keyboard focus: the modifiers go down first (WM_KEYDOWN, so that GetKeyState sees
// them) and up last. Keys that stand for characters also type them, as on a desktop: Enter and
// Backspace their control characters, a letter itself (a capital with Shift), or its control
// character with Ctrl (Ctrl+A types 0x01).
SRCTRL_API bool PressKey(HWND hwnd, Key key, Modifiers modifiers = Modifiers::Plain);

// The control's timers (its caret blink, for one) run on the toolkit's clock, which does not run
// by itself, since the control has no threads: the host lets time pass from its event loop, and
// every timer that falls due meanwhile gets its WM_TIMER, in the order in which they fall due.
// Returns how many WM_TIMER messages were sent.
SRCTRL_API int AdvanceTime(unsigned milliseconds);

} // namespace srctrl::platform

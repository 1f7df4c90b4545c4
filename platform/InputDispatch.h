#pragma once

#include "embed/SurfaceInput.h"
#include "platform/win32/WinUser.h"

#include <string>

// The one path of a person's input into a tree of windows: the window under the pointer gets the
// press (and the focus), keeps the pointer until the release, the focused window gets keys and
// text, and modifier keys go down before each action and up after it, as fingers do. The
// embedding surface and the test host (platform/Host.h) both drive windows through it.
// Coordinates are in the client area of `hwnd`'s window; each call is false when nothing took
// the input (a point outside, a disabled window, no focus within the tree).
namespace srctrl::platform::input {

// A button press; `doubleClick` makes it the second press of a double click. The right and middle
// buttons neither capture the pointer nor double-click; they press where they are.
bool MouseDown(HWND hwnd, int x, int y, srctrl::Modifiers modifiers, bool doubleClick = false,
               srctrl::MouseButton button = srctrl::MouseButton::Left);
// A move: with the left button held, to the window that took the press; otherwise to the window
// under the pointer.
bool MouseMove(HWND hwnd, int x, int y, bool leftButtonHeld, srctrl::Modifiers modifiers);
bool MouseUp(HWND hwnd, int x, int y, srctrl::Modifiers modifiers);
// `delta` in WHEEL_DELTA units per notch, within what a message carries (±32767). `scrolled`,
// when given, says whether the window acted on it.
bool Wheel(HWND hwnd, int x, int y, int delta, srctrl::Modifiers modifiers, bool* scrolled = nullptr);

// A key press in the focused window. Keys that stand for control characters type them, as a
// desktop's message loop translates them (Enter, Backspace, Ctrl+letter); `typeLetters` also
// types a plain or shifted letter key's letter.
bool KeyDown(HWND hwnd, srctrl::Key key, srctrl::Modifiers modifiers, bool typeLetters);
bool KeyUp(HWND hwnd, srctrl::Key key, srctrl::Modifiers modifiers);
// Characters typed into the focused window, one WM_CHAR each.
bool Text(HWND hwnd, const std::wstring& text);
// Text that an input method committed, into the focused window as one piece (one undo step).
bool Commit(HWND hwnd, const std::wstring& text);
// The input method's composition shown in the focused window ("" ends it).
bool Composition(HWND hwnd, const std::wstring& text, int cursor);

} // namespace srctrl::platform::input

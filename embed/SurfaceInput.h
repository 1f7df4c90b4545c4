#pragma once

// The vocabulary of a person's input and of what the control shows back, shared by the
// embedding surface (ReportSurface) and the test host (platform/Host.h). Plain C++ types only,
// so that the header sits beside X11's and Qt's without a clash.
namespace srctrl {

// A rectangle in logical pixels: (x, y) is its top-left corner.
struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    bool IsEmpty() const { return width <= 0 || height <= 0; }
};

// Modifier keys held during a key press or a mouse action; combine them with |.
// (Plain, not None: X11's headers define None as a macro.)
enum class Modifiers : unsigned { Plain = 0, Shift = 1, Ctrl = 2, Alt = 4 };
inline Modifiers operator|(Modifiers a, Modifiers b)
{
    return static_cast<Modifiers>(static_cast<unsigned>(a) | static_cast<unsigned>(b));
}
inline bool HasModifier(Modifiers set, Modifiers modifier)
{
    return (static_cast<unsigned>(set) & static_cast<unsigned>(modifier)) != 0;
}

// The keys that act on the page rather than type a character; characters reach the page as
// committed text. Letters serve shortcuts (Ctrl+A, Ctrl+C, Ctrl+V, Ctrl+X).
enum class Key {
    Tab, Backspace, Delete, Enter, Escape, Up, Down, Left, Right, Home, End, PageUp, PageDown,
    A, B, C, D, E, F, G, H, I, J, K, L, M, N, O, P, Q, R, S, T, U, V, W, X, Y, Z
};

enum class MouseButton { Left, Right, Middle };

// What an Edit menu or a context menu asks of the text field that has the focus.
enum class EditCommand { Undo, Redo, Cut, Copy, Paste, Delete, SelectAll };

// The pointer shape the control wants over the point the pointer is at.
enum class Cursor { Arrow, IBeam, PointingHand };

} // namespace srctrl

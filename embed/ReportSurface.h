#pragma once

#include "embed/ReportSurfaceClient.h"
#include "embed/SurfaceInput.h"
#include "platform/Export.h"
#include "platform/win32/WinWindow.h"

#include <memory>

namespace srctrl {

// A place on a host's screen for the report control: a window of the control's toolkit that
// paints into the host's pixel buffers and takes the host's input, so that any toolkit (Qt, GTK,
// a game loop) can show the control without a native child window, on X11 and Wayland alike.
//
//   auto surface = srctrl::ReportSurface::Create(&client, 800, 600, 2.0);
//   IReportCtrl* ctrl = CreateReportCtrl();
//   ctrl->Create(surface->GetHWND(), 0, 0, 800, 600);
//
// The host paints the rectangles the client is told of (RepaintNeeded), forwards a person's
// input, and calls RunTimers when asked (TimerNeeded). Coordinates are logical pixels; the
// device pixel ratio says how many device pixels a logical one covers (2 on a HiDPI screen).
//
// The surface owns its window and the windows created in it: destroying the surface destroys
// them (the control's window included), after which release the control. All calls are made on
// the host's UI thread. Input calls are false when nothing took the input (no window under the
// point, no focused field, the surface without focus for key and text input).
class SRCTRL_API ReportSurface {
public:
    // Null when the client is null, a size is negative, or the ratio is not in [0.25, 8].
    static std::unique_ptr<ReportSurface> Create(ReportSurfaceClient* client, int width, int height,
                                                 double devicePixelRatio = 1.0);
    ~ReportSurface();
    ReportSurface(const ReportSurface&) = delete;
    ReportSurface& operator=(const ReportSurface&) = delete;

    // The window to create the control in (IReportCtrl::Create's parent).
    HWND GetHWND() const;

    int GetWidth() const;
    int GetHeight() const;
    double GetDevicePixelRatio() const;
    // The size of a buffer that holds the whole surface, in device pixels: the logical size
    // times the ratio, rounded up.
    int GetPixelWidth() const;
    int GetPixelHeight() const;

    // A new size or ratio. The host moves the control's window to fill the surface as it wishes
    // (IReportCtrl::MoveWindow); the whole surface needs repainting afterwards, and the client is
    // told so. False, with nothing changed, for the values Create refuses.
    bool Resize(int width, int height, double devicePixelRatio);

    // Paints the rectangle (logical pixels, clipped to the surface) into the host's buffer of the
    // whole surface: `pixelWidth` x `pixelHeight` device pixels (at least GetPixelWidth() x
    // GetPixelHeight()), 32-bit native-endian premultiplied ARGB (Qt's
    // Format_ARGB32_Premultiplied, Cairo's CAIRO_FORMAT_ARGB32), `stride` bytes per row (a multiple
    // of 4). Pixels outside the rectangle are left as they are. False for a null buffer, a buffer
    // smaller than the surface or a bad stride.
    bool Paint(const Rect& rect, unsigned char* pixels, int pixelWidth, int pixelHeight, int stride);

    // The pointer. A press gives the keyboard focus to the field under it and captures the
    // pointer: the moves and the release go to that field wherever the pointer is. `held` says
    // whether the left button is down during a move. A press on what takes no input (the page,
    // a display field) takes the focus from the field that had it. The right button brings the
    // focus and the caret to a text field for a context menu (which the host shows, with the
    // edit commands below); the middle button pastes the primary selection at the point.
    bool MouseMove(int x, int y, bool leftButtonHeld, Modifiers modifiers = Modifiers::Plain);
    bool MousePress(int x, int y, MouseButton button, Modifiers modifiers = Modifiers::Plain);
    bool MouseRelease(int x, int y, MouseButton button, Modifiers modifiers = Modifiers::Plain);
    // The second press of a double click, sent instead of its MousePress: selects the word.
    bool MouseDoubleClick(int x, int y, MouseButton button, Modifiers modifiers = Modifiers::Plain);
    // The wheel over a point, in eighths of a degree as Qt's angleDelta().y() and Windows' wheel
    // messages count it (120 a notch), positive away from the person (scrolls up). True only
    // when something scrolled: a wheel over what cannot scroll is the host's (its scroll area).
    bool Wheel(int x, int y, int angleDelta, Modifiers modifiers = Modifiers::Plain);

    // Keys, while the surface has the focus (named KeyDown and KeyUp, since X11 defines KeyPress
    // and KeyRelease as macros). A key press acts on the focused field (Enter breaks
    // a line, Backspace deletes, Ctrl+C copies); it never types a printable character: those come
    // as committed text, as a toolkit delivers them after its keyboard layout and input method.
    bool KeyDown(Key key, Modifiers modifiers = Modifiers::Plain);
    bool KeyUp(Key key, Modifiers modifiers = Modifiers::Plain);
    // Text typed or committed by an input method, in UTF-8, into the focused field; it also ends
    // the pre-edit. One character without a pre-edit is typed (and grouped with the typing
    // around it in the field's undo history); a pre-edit's commit, or several characters, go in
    // as one step. False for null or invalid UTF-8 (nothing is typed then).
    bool CommitText(const char* text);
    // The input method's text being composed (UTF-8), shown at the caret and not yet part of the
    // field's value; `cursor` is the caret's place in it in characters. "" ends the pre-edit.
    bool SetPreeditText(const char* text, int cursor);

    // The host's focus entering and leaving the surface. Leaving takes the focus from the
    // field that has it (which stores a date being typed, and stops the caret's blink); entering
    // gives it back to that field.
    void GainFocus();
    void LoseFocus();
    bool HasFocus() const;

    // Edit commands for a host's Edit menu or context menu, on the text field that has the
    // focus, or had it before the host's focus went to a menu or a dialog: CanEdit says whether
    // one would do something now (to enable a menu item), Edit runs it; false when it could not.
    // Undo and redo go step by step through the field's history (words, pauses, pastes); the
    // document and the host hear of every undone and redone value as of a typed one.
    bool CanEdit(EditCommand command) const;
    bool Edit(EditCommand command);
    bool CanUndo() const { return CanEdit(EditCommand::Undo); }
    bool CanRedo() const { return CanEdit(EditCommand::Redo); }
    bool Undo() { return Edit(EditCommand::Undo); }
    bool Redo() { return Edit(EditCommand::Redo); }

    // Find and replace in that text field (UTF-8 texts, matched with or without case, whole
    // words or anywhere). Find selects the next match after the selection, wrapping to the
    // start; Replace replaces the selection when it is a match, then selects the next one;
    // ReplaceAll replaces every match as one undo step and gives how many. False (0) when
    // nothing matched, there is no text field, or a text is null or not UTF-8.
    bool Find(const char* what, bool matchCase, bool wholeWord);
    bool Replace(const char* what, const char* with, bool matchCase, bool wholeWord);
    int ReplaceAll(const char* what, const char* with, bool matchCase, bool wholeWord);

    // Runs the timers that are due (the host's answer to TimerNeeded).
    void RunTimers();

    // The pointer shape over the last point the pointer moved to, and the text caret (empty
    // without a focused text field), as last told to the client.
    Cursor GetCursor() const;
    Rect GetCaretRect() const;

private:
    class Impl;
    explicit ReportSurface(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_pImpl;
};

} // namespace srctrl

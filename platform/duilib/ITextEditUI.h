#pragma once

#include "embed/SurfaceInput.h"
#include "platform/duilib/CUndoHistory.h"
#include "platform/win32/WinDef.h"

#include <string>

namespace DuiLib {

using srctrl::EditCommand;

// A control that a person types text into, as an Edit menu, a context menu and an input method
// see it: commands on its text and selection, and text inserted as one undoable step. The paint
// manager hands these to the control that has the keyboard focus, or had it last in the window
// (a menu or a find dialog may hold the desktop's focus meanwhile).
//
// Every change goes into the field's undo history and is told to listeners as a typed change
// is ("textchanged" at once, or when the focus leaves for a field that tells only then); a
// read-only or disabled field changes nothing and says false.
class ITextEditUI {
public:
    // Whether the command would do something now: Undo and Redo with history to go through,
    // Cut, Copy and Delete with a selection, Paste with text on the clipboard, Select All with
    // text to select.
    virtual bool CanEdit(EditCommand command) = 0;
    // Runs the command; false when it could not (see CanEdit) or the field refused the text.
    virtual bool Edit(EditCommand command) = 0;
    // Puts `text` in place of the selection (at the caret), as one step of the history of the
    // given kind, and leaves the caret after it: an input method's commit, a canned text, a
    // correction. False, with nothing changed, when the field refuses any of it (a character
    // it does not take, a text too long).
    virtual bool InsertText(const std::wstring& text, TextChange kind) = 0;
    // The middle button at a point of the field: the caret goes there and the primary
    // selection's text is inserted, as one step.
    virtual bool PasteSelectionAt(POINT pt) = 0;
    // Where the caret is drawn, in window coordinates, for scrolling it into view.
    virtual RECT GetCaretRect() = 0;

protected:
    ~ITextEditUI() = default;
};

} // namespace DuiLib

#pragma once

#include "platform/win32/WinGdi.h"

namespace DuiLib {

class CControlUI;

// A drop-down of a control (a combo's list, a date field's calendar), painted by the paint
// manager above the page inside the control's own window: a page shown through an embedding
// surface has no popup windows. The paint manager keeps which drop-down is open
// (CPaintManagerUI::SetOpenDropDown); the control that implements this interface is the
// drop-down, and the manager closes it when the control leaves the page.
class IDropDownUI {
public:
    // The control the drop-down belongs to.
    virtual CControlUI* GetDropDownOwner() = 0;
    // Where the drop-down is painted, in window coordinates.
    virtual RECT GetDropDownRect() const = 0;
    virtual void PaintDropDown(HDC hDC) = 0;
    // A button press at `pt`, a point inside GetDropDownRect(); true when the drop-down is done
    // and is to close. A change to what it shows is repainted through the paint manager's
    // Invalidate.
    virtual bool PressDropDown(POINT pt) = 0;

    // The button at the right end of a field that opens its drop-down: two thirds of the field's
    // height wide, at least 8 pixels.
    static RECT DropButtonRect(const RECT& field);
    // Paints the button's glyph, a small "v", with lines `lineWidth` wide.
    static void PaintDropButton(HDC hDC, const RECT& field, int lineWidth, DWORD color);

protected:
    ~IDropDownUI() = default;
};

} // namespace DuiLib

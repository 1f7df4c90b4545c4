#pragma once

#include "platform/duilib/CContainerUI.h"
#include "platform/duilib/CTextEditState.h"
#include "platform/duilib/IDropDownUI.h"

namespace DuiLib {

// One choice of a combo box: its text is shown, its user data carries a value.
class SRCTRL_API CListLabelElementUI : public CControlUI {
public:
    LPCTSTR GetClass() const override;
};

// A drop-down choice. Its items are its children (CListLabelElementUI); they are not laid out
// on the page. A click opens the list below the combo and a click on an item chooses it; Up and
// Down choose the previous or next item. A person's choice sends "itemselect". The combo's text
// is the chosen item's text.
class SRCTRL_API CComboUI : public CContainerUI, public IDropDownUI {
public:
    LPCTSTR GetClass() const override;
    CDuiString GetText() const override;
    bool HasText(const wchar_t* text) const override;
    bool IsFocusable() const override { return IsEnabled(); }
    void DoEvent(TEventUI& event) override;
    void SetPos(RECT rc, bool bNeedInvalidate = true) override;
    void DoPaint(HDC hDC, const RECT& rcPaint, CControlUI* pStopControl = nullptr) override;
    CControlUI* FindControlAt(POINT pt) override;
    bool RemoveAt(int index) override;
    void RemoveAll() override;

    int GetCurSel() const { return m_iCurSel; }
    // Chooses item `index`; -1 or an index outside the items leaves none chosen (false). Sends
    // "itemselect" only when `bTriggerEvent` is set and the choice changed.
    virtual bool SelectItem(int index, bool bTakeFocus = false, bool bTriggerEvent = true);

    // The rectangle of item `index` in the open list, in window coordinates.
    RECT GetDropItemRect(int index) const;

    // The list of items.
    CControlUI* GetDropDownOwner() override { return this; }
    RECT GetDropDownRect() const override;
    void PaintDropDown(HDC hDC) override;
    // Chooses the item under the point.
    bool PressDropDown(POINT pt) override;

protected:
    int m_iCurSel = -1;
};

// A combo whose text can also be typed; typing sends "textchanged", choosing an item replaces
// the text with the item's text.
class SRCTRL_API CEditComboUI : public CComboUI {
public:
    CEditComboUI();
    LPCTSTR GetClass() const override;
    CDuiString GetText() const override;
    void SetText(LPCTSTR text) override;
    void DoEvent(TEventUI& event) override;
    bool SelectItem(int index, bool bTakeFocus = false, bool bTriggerEvent = true) override;

private:
    CTextEditState m_edit;
};

} // namespace DuiLib

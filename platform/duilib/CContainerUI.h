#pragma once

#include "platform/duilib/CControlUI.h"

#include <vector>

namespace DuiLib {

// A control that holds child controls and owns them: every child that is removed (RemoveAt,
// RemoveAll, Remove) or left when the container goes is destroyed. As a plain "Container" it
// places every child over its whole inner area; the layouts derive from it.
class SRCTRL_API CContainerUI : public CControlUI {
public:
    CContainerUI() = default;
    ~CContainerUI() override;

    LPCTSTR GetClass() const override;

    virtual CControlUI* GetItemAt(int index) const;
    virtual int GetItemIndex(CControlUI* control) const;
    virtual int GetCount() const;
    // Add and AddAt take the control over; false (and the control is destroyed) for an index
    // outside 0..count or a null control.
    virtual bool Add(CControlUI* control);
    virtual bool AddAt(CControlUI* control, int index);
    virtual bool Remove(CControlUI* control);
    virtual bool RemoveAt(int index);
    // Takes the child out without destroying it: the caller owns it from then on, and it no
    // longer holds the focus. Null for an index outside the children.
    CControlUI* DetachAt(int index);
    virtual void RemoveAll();

    void SetPos(RECT rc, bool bNeedInvalidate = true) override;
    void DoPaint(HDC hDC, const RECT& rcPaint, CControlUI* pStopControl = nullptr) override;
    void SetAttribute(LPCTSTR name, LPCTSTR value) override;
    CControlUI* FindControlAt(POINT pt) override;
    void SetManager(CPaintManagerUI* manager, CControlUI* parent) override;
    void SetInternVisible(bool bVisible) override;
    void SetVisible(bool bVisible = true) override;

    RECT GetInset() const;
    // The area inside the inset and the border, where the children are laid out.
    RECT GetInnerRect() const { return InnerRect(m_rcItem); }
    // Shows the children `y` pixels further down their content: a view scrolled over content
    // taller than the container (0: the top). Negative values count as 0.
    void SetScrollY(int y);
    int GetScrollY() const { return m_nScrollY; }
    int GetChildPadding() const;

protected:
    // The area inside the inset.
    RECT InnerRect(const RECT& rc) const;
    // Places a floating child at its own position relative to the container's top-left.
    void SetFloatPos(CControlUI* child, const RECT& rc);

    std::vector<CControlUI*> m_items;
    RECT m_rcInset{};          // design pixels
    int m_nScrollY = 0;
    int m_iChildPadding = 0;   // design pixels
};

} // namespace DuiLib

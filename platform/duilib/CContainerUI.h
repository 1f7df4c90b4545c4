#pragma once

#include "platform/duilib/CControlUI.h"
#include "platform/duilib/CScrollBar.h"

#include <vector>

namespace DuiLib {

// A control that holds child controls and owns them: every child that is removed (RemoveAt,
// RemoveAll, Remove) or left when the container goes is destroyed. As a plain "Container" it
// places every child over its whole inner area; the layouts derive from it.
//
// A container is a view that may be scrolled over children larger than it. With "vscrollbar"
// or "hscrollbar" set it shows a scroll bar along its right or bottom edge while its children
// reach beyond it that way; a press on a bar, or a drag of it, scrolls (the keyboard focus
// stays where it is).
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

    void DoEvent(TEventUI& event) override;

    RECT GetInset() const;
    // Shows the children `cx` pixels further right and `cy` further down their content (0, 0:
    // the top left), within how far they reach beyond the container as last laid out.
    void SetScrollPos(SIZE pos);
    SIZE GetScrollPos() const { return SIZE{m_nScrollX, m_nScrollY}; }
    // How far the view can scroll each way.
    SIZE GetScrollRange() const;
    // Scrolls by (dx, dy) within the range; false when the view did not move.
    bool ScrollBy(int dx, int dy);
    bool IsOnScrollBar(POINT pt) const;
    // How wide a scroll bar is, in pixels at every zoom: the bars belong to the view.
    int ScrollBarWidth() const;
    // The area inside the inset and the border, where the children are laid out.
    RECT GetInnerRect() const { return InnerRect(m_rcItem); }
    int GetChildPadding() const;

protected:
    // The area inside the inset.
    RECT InnerRect(const RECT& rc) const;
    // Places a floating child at its own position relative to the container's top-left.
    void SetFloatPos(CControlUI* child, const RECT& rc);
    // Measures how far the children, as placed, reach: the content the view scrolls over.
    void MeasureContent();

private:
    CScrollBar ScrollBar(bool vertical) const;
    void PaintScrollBars(HDC hDC);

protected:
    std::vector<CControlUI*> m_items;
    RECT m_rcInset{};          // design pixels
    int m_nScrollX = 0;
    int m_nScrollY = 0;
    // The size of the children's content, unscrolled, as last laid out.
    SIZE m_szContent{};
    bool m_bVScrollBar = false;
    bool m_bHScrollBar = false;
    // The bar being dragged: 0 none, 1 vertical, 2 horizontal.
    int m_nBarDrag = 0;
    int m_iChildPadding = 0;   // design pixels
};

} // namespace DuiLib

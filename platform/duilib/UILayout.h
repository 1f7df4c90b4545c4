#pragma once

#include "platform/duilib/CContainerUI.h"

namespace DuiLib {

// Children stacked top to bottom: fixed heights as given, the rest of the height shared by the
// children without one; children without a fixed width take the full width.
class SRCTRL_API CVerticalLayoutUI : public CContainerUI {
public:
    LPCTSTR GetClass() const override;
    void SetPos(RECT rc, bool bNeedInvalidate = true) override;
};

// Children side by side, left to right, by the same rules as the vertical layout.
class SRCTRL_API CHorizontalLayoutUI : public CContainerUI {
public:
    LPCTSTR GetClass() const override;
    void SetPos(RECT rc, bool bNeedInvalidate = true) override;
};

// Children in rows of "columns" equal cells; a row is as high as its highest child.
class SRCTRL_API CTileLayoutUI : public CContainerUI {
public:
    LPCTSTR GetClass() const override;
    void SetPos(RECT rc, bool bNeedInvalidate = true) override;
    void SetAttribute(LPCTSTR name, LPCTSTR value) override;
    SIZE EstimateSize(SIZE available) override;
    int GetColumns() const { return m_nColumns; }
    void SetColumns(int columns);

private:
    // Row heights in scaled pixels for a given inner width.
    std::vector<int> RowHeights(int cellWidth);

    int m_nColumns = 1;
};

// Shows one child, the selected one ("selectedid"), over its whole inner area; the others are
// hidden. An index outside the children shows none.
class SRCTRL_API CTabLayoutUI : public CContainerUI {
public:
    LPCTSTR GetClass() const override;
    bool AddAt(CControlUI* control, int index) override;
    bool RemoveAt(int index) override;
    void SetAttribute(LPCTSTR name, LPCTSTR value) override;
    bool SelectItem(int index);
    int GetCurSel() const { return m_iCurSel; }

private:
    void ApplySelection();

    int m_iCurSel = 0;
};

// A container for a part of a page kept in its own skin file; laid out as a plain container.
class SRCTRL_API CChildLayoutUI : public CContainerUI {
public:
    LPCTSTR GetClass() const override;
};

} // namespace DuiLib

#include "platform/duilib/UILayout.h"

#include <algorithm>
#include <functional>
#include <string>

namespace DuiLib {

namespace {

// Lays children along one axis. `vertical` picks the axis; sizes come from EstimateSize, with 0
// meaning "share what is left".
void LayOutLine(std::vector<CControlUI*>& items, const RECT& inner, int childPadding, bool vertical,
                const std::function<void(CControlUI*)>& placeFloat)
{
    const int along = vertical ? inner.bottom - inner.top : inner.right - inner.left;
    const int across = vertical ? inner.right - inner.left : inner.bottom - inner.top;
    long long fixedTotal = 0;
    int stretchers = 0;
    int placed = 0;
    for (CControlUI* item : items) {
        if (!item->IsVisible() || item->IsFloat()) {
            continue;
        }
        const SIZE size = item->EstimateSize(SIZE{inner.right - inner.left, inner.bottom - inner.top});
        const RECT pad = item->GetPadding();
        const int length = vertical ? size.cy : size.cx;
        fixedTotal += vertical ? pad.top + pad.bottom : pad.left + pad.right;
        if (length == 0) {
            ++stretchers;
        } else {
            fixedTotal += length;
        }
        ++placed;
    }
    if (placed > 1) {
        fixedTotal += static_cast<long long>(placed - 1) * childPadding;
    }
    // What is left is at most `along`, so shares of it fit an int.
    const int spare = static_cast<int>(std::max<long long>(0, along - fixedTotal));
    int stretchLeft = stretchers;
    int spareLeft = spare;
    long long cursor = vertical ? inner.top : inner.left;
    for (CControlUI* item : items) {
        if (!item->IsVisible()) {
            continue;
        }
        if (item->IsFloat()) {
            placeFloat(item);
            continue;
        }
        const SIZE size = item->EstimateSize(SIZE{inner.right - inner.left, inner.bottom - inner.top});
        const RECT pad = item->GetPadding();
        int length = vertical ? size.cy : size.cx;
        if (length == 0) {
            length = stretchLeft > 0 ? spareLeft / stretchLeft : 0;
            spareLeft -= length;
            --stretchLeft;
        }
        const int padBefore = vertical ? pad.top : pad.left;
        const int padAfter = vertical ? pad.bottom : pad.right;
        const int crossBefore = vertical ? pad.left : pad.top;
        const int crossAfter = vertical ? pad.right : pad.bottom;
        int width = vertical ? size.cx : size.cy;
        if (width == 0) {
            width = across - crossBefore - crossAfter;
        }
        const long long start = cursor + padBefore;
        const int first = ClampCoordinate(start);
        const int last = ClampCoordinate(start + length);
        const int crossStart = (vertical ? inner.left : inner.top) + crossBefore;
        if (vertical) {
            item->SetPos(RECT{crossStart, first, crossStart + width, last}, false);
        } else {
            item->SetPos(RECT{first, crossStart, last, crossStart + width}, false);
        }
        cursor = start + length + padAfter + childPadding;
    }
}

} // namespace

LPCTSTR CVerticalLayoutUI::GetClass() const { return L"VerticalLayout"; }

void CVerticalLayoutUI::SetPos(RECT rc, bool bNeedInvalidate)
{
    CControlUI::SetPos(rc, bNeedInvalidate);
    LayOutLine(m_items, InnerRect(m_rcItem), GetChildPadding(), true,
               [this](CControlUI* item) { SetFloatPos(item, m_rcItem); });    MeasureContent();
}

LPCTSTR CHorizontalLayoutUI::GetClass() const { return L"HorizontalLayout"; }

void CHorizontalLayoutUI::SetPos(RECT rc, bool bNeedInvalidate)
{
    CControlUI::SetPos(rc, bNeedInvalidate);
    LayOutLine(m_items, InnerRect(m_rcItem), GetChildPadding(), false,
               [this](CControlUI* item) { SetFloatPos(item, m_rcItem); });    MeasureContent();
}

LPCTSTR CTileLayoutUI::GetClass() const { return L"TileLayout"; }

void CTileLayoutUI::SetColumns(int columns)
{
    m_nColumns = std::clamp(columns, 1, 100);
    NeedUpdate();
}

void CTileLayoutUI::SetAttribute(LPCTSTR name, LPCTSTR value)
{
    if (std::wstring(name) == L"columns") {
        SetColumns(ParseInt(value));
    } else {
        CContainerUI::SetAttribute(name, value);
    }
}

std::vector<int> CTileLayoutUI::RowHeights(int cellWidth)
{
    // Rows whose children ask for no height still get a line's height.
    const int fallback = Scale(30);
    std::vector<int> heights;
    int column = 0;
    for (CControlUI* item : m_items) {
        if (!item->IsVisible() || item->IsFloat()) {
            continue;
        }
        if (column == 0) {
            heights.push_back(0);
        }
        const RECT pad = item->GetPadding();
        const SIZE size = item->EstimateSize(SIZE{cellWidth, 0});
        const int height = (size.cy > 0 ? size.cy : fallback) + pad.top + pad.bottom;
        heights.back() = std::max(heights.back(), height);
        column = (column + 1) % m_nColumns;
    }
    return heights;
}

SIZE CTileLayoutUI::EstimateSize(SIZE available)
{
    SIZE size = CContainerUI::EstimateSize(available);
    if (size.cy == 0) {
        // Without a fixed height the list is as high as its rows.
        const RECT inset = GetInset();
        const int width = (size.cx > 0 ? size.cx : available.cx) - inset.left - inset.right;
        const int cell = (width - (m_nColumns - 1) * GetChildPadding()) / m_nColumns;
        long long total = inset.top + inset.bottom;
        const std::vector<int> rows = RowHeights(cell);
        for (int row : rows) {
            total += row;
        }
        total += rows.empty() ? 0 : static_cast<long long>(rows.size() - 1) * GetChildPadding();
        size.cy = std::max(ClampCoordinate(total), 1);
    }
    return size;
}

void CTileLayoutUI::SetPos(RECT rc, bool bNeedInvalidate)
{
    CControlUI::SetPos(rc, bNeedInvalidate);
    const RECT inner = InnerRect(m_rcItem);
    const int gap = GetChildPadding();
    const int cell = std::max(0, (inner.right - inner.left - (m_nColumns - 1) * gap) / m_nColumns);
    const std::vector<int> rows = RowHeights(cell);
    int column = 0;
    size_t row = 0;
    long long top = inner.top;
    for (CControlUI* item : m_items) {
        if (!item->IsVisible()) {
            continue;
        }
        if (item->IsFloat()) {
            SetFloatPos(item, m_rcItem);
            continue;
        }
        const RECT pad = item->GetPadding();
        const SIZE size = item->EstimateSize(SIZE{cell, 0});
        const long long left = inner.left + static_cast<long long>(column) * (cell + gap) + pad.left;
        const int width = size.cx > 0 ? std::min<int>(size.cx, cell - pad.left - pad.right) : cell - pad.left - pad.right;
        const int height = size.cy > 0 ? size.cy : rows[row] - pad.top - pad.bottom;
        item->SetPos(RECT{ClampCoordinate(left), ClampCoordinate(top + pad.top), ClampCoordinate(left + width),
                          ClampCoordinate(top + pad.top + height)},
                     false);
        if (++column == m_nColumns) {
            column = 0;
            top += static_cast<long long>(rows[row]) + gap;
            ++row;
        }
    }
}

LPCTSTR CTabLayoutUI::GetClass() const { return L"TabLayout"; }

void CTabLayoutUI::ApplySelection()
{
    for (int i = 0; i < GetCount(); ++i) {
        GetItemAt(i)->SetVisible(i == m_iCurSel);
    }
    NeedUpdate();
}

bool CTabLayoutUI::AddAt(CControlUI* control, int index)
{
    if (!CContainerUI::AddAt(control, index)) {
        return false;
    }
    ApplySelection();
    return true;
}

bool CTabLayoutUI::RemoveAt(int index)
{
    if (!CContainerUI::RemoveAt(index)) {
        return false;
    }
    ApplySelection();
    return true;
}

void CTabLayoutUI::SetAttribute(LPCTSTR name, LPCTSTR value)
{
    if (std::wstring(name) == L"selectedid") {
        SelectItem(ParseInt(value));
    } else {
        CContainerUI::SetAttribute(name, value);
    }
}

bool CTabLayoutUI::SelectItem(int index)
{
    m_iCurSel = index;
    ApplySelection();
    return index >= 0 && index < GetCount();
}

LPCTSTR CChildLayoutUI::GetClass() const { return L"ChildLayout"; }

} // namespace DuiLib

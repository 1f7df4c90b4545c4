#pragma once

#include "platform/win32/WinGdi.h"

namespace DuiLib {

// A scroll bar over a view of content larger than the view: a track along one edge and a thumb
// whose length and place show how much of the content is in view and where. A press on the bar
// or a drag of it puts the thumb's middle under the pointer. The owner keeps the scroll position
// and makes a bar for it when it paints or takes a press; an empty track shows no bar.
class CScrollBar {
public:
    // `view` and `content` are the lengths of the view and of its content along the bar, `pos`
    // how far the view is scrolled, in pixels; `minThumb` the shortest thumb.
    CScrollBar(const RECT& track, bool vertical, int view, int content, int pos, int minThumb);

    bool IsShown() const { return m_rcTrack.right > m_rcTrack.left && m_rcTrack.bottom > m_rcTrack.top; }
    bool Contains(POINT pt) const;
    // The scroll position that puts the thumb's middle at the point, within the content.
    int PositionAt(POINT pt) const;
    void Paint(HDC hDC) const;

private:
    int TrackLength() const;
    int ThumbLength() const;

    RECT m_rcTrack;
    bool m_bVertical;
    int m_nView;
    int m_nContent;
    int m_nPos;
    int m_nMinThumb;
};

} // namespace DuiLib

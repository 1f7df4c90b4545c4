#include "platform/duilib/CScrollBar.h"

#include "platform/duilib/CRenderEngine.h"
#include "platform/win32/WinUser.h"

#include <algorithm>

namespace DuiLib {

namespace {

constexpr DWORD kTrackColor = 0xFFEEEEEE;
constexpr DWORD kThumbColor = 0xFFA8A8A8;

} // namespace

CScrollBar::CScrollBar(const RECT& track, bool vertical, int view, int content, int pos, int minThumb)
    : m_rcTrack(track), m_bVertical(vertical), m_nView(std::max(1, view)), m_nContent(std::max(1, content)),
      m_nPos(pos), m_nMinThumb(minThumb)
{
}

bool CScrollBar::Contains(POINT pt) const
{
    return IsShown() && PtInRect(&m_rcTrack, pt);
}

int CScrollBar::TrackLength() const
{
    return m_bVertical ? m_rcTrack.bottom - m_rcTrack.top : m_rcTrack.right - m_rcTrack.left;
}

int CScrollBar::ThumbLength() const
{
    const long long track = TrackLength();
    return static_cast<int>(std::min<long long>(track, std::max<long long>(m_nMinThumb, track * m_nView / m_nContent)));
}

int CScrollBar::PositionAt(POINT pt) const
{
    const int range = TrackLength() - ThumbLength();
    const int overflow = std::max(0, m_nContent - m_nView);
    if (range <= 0) {
        return 0;
    }
    const int along = m_bVertical ? pt.y - m_rcTrack.top : pt.x - m_rcTrack.left;
    const long long offset = std::clamp(along - ThumbLength() / 2, 0, range);
    return static_cast<int>(offset * overflow / range);
}

void CScrollBar::Paint(HDC hDC) const
{
    if (!IsShown()) {
        return;
    }
    const int range = TrackLength() - ThumbLength();
    const int overflow = std::max(1, m_nContent - m_nView);
    const int offset = static_cast<int>(static_cast<long long>(range) * std::clamp(m_nPos, 0, overflow) / overflow);
    CRenderEngine::DrawColor(hDC, m_rcTrack, kTrackColor);
    RECT thumb = m_rcTrack;
    if (m_bVertical) {
        thumb = RECT{m_rcTrack.left + 1, m_rcTrack.top + offset, m_rcTrack.right - 1, m_rcTrack.top + offset + ThumbLength()};
    } else {
        thumb = RECT{m_rcTrack.left + offset, m_rcTrack.top + 1, m_rcTrack.left + offset + ThumbLength(), m_rcTrack.bottom - 1};
    }
    CRenderEngine::DrawColor(hDC, thumb, kThumbColor);
}

} // namespace DuiLib

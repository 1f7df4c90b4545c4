#include "platform/duilib/IDropDownUI.h"

#include "platform/duilib/CRenderEngine.h"

#include <algorithm>

namespace DuiLib {

RECT IDropDownUI::DropButtonRect(const RECT& field)
{
    const int width = std::max(8, (field.bottom - field.top) * 2 / 3);
    return RECT{std::max(field.left, field.right - width), field.top, field.right, field.bottom};
}

void IDropDownUI::PaintDropButton(HDC hDC, const RECT& field, int lineWidth, DWORD color)
{
    const RECT button = DropButtonRect(field);
    const int cx = (button.left + button.right) / 2;
    const int cy = (button.top + button.bottom) / 2;
    const int half = std::max(2, static_cast<int>(button.right - button.left) / 5);
    CRenderEngine::DrawLine(hDC, cx - half, cy - half / 2, cx, cy + half / 2, lineWidth, color);
    CRenderEngine::DrawLine(hDC, cx, cy + half / 2, cx + half, cy - half / 2, lineWidth, color);
}

} // namespace DuiLib

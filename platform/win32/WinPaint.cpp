#include "platform/win32/DeviceContext.h"
#include "platform/win32/WinUser.h"

#include <vector>

namespace srctrl::platform {

namespace {

void PaintTree(HWND hwnd, HDC hdc, cairo_t* cr)
{
    SendMessage(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(hdc), 0);
    const int count = GetChildWindows(hwnd, nullptr, 0);
    std::vector<HWND> children(static_cast<size_t>(count));
    GetChildWindows(hwnd, children.data(), count);
    double x0 = 0;
    double y0 = 0;
    double x1 = 0;
    double y1 = 0;
    cairo_clip_extents(cr, &x0, &y0, &x1, &y1);
    for (HWND child : children) {
        RECT rc{};
        if (!::IsWindow(child) || !::IsWindowVisible(child) || !::GetWindowRect(child, &rc) || rc.right <= x0 ||
            rc.left >= x1 || rc.bottom <= y0 || rc.top >= y1) {
            continue;
        }
        cairo_save(cr);
        cairo_rectangle(cr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
        cairo_clip(cr);
        cairo_translate(cr, rc.left, rc.top);
        PaintTree(child, hdc, cr);
        cairo_restore(cr);
    }
}

} // namespace

void PaintWindowTree(HWND hwnd, HDC hdc)
{
    cairo_t* cr = GetCairo(hdc);
    if (cr == nullptr || !::IsWindow(hwnd)) {
        return;
    }
    cairo_save(cr);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_restore(cr);
    PaintTree(hwnd, hdc, cr);
    cairo_surface_flush(cairo_get_target(cr));
}

} // namespace srctrl::platform

#include "platform/Host.h"

#include "platform/win32/DeviceContext.h"
#include "platform/win32/WinGdi.h"
#include "platform/win32/WinUser.h"

#include <vector>

namespace platform {

namespace {

bool IsSelfOrDescendant(HWND ancestor, HWND hwnd)
{
    for (HWND h = hwnd; h != nullptr; h = ::GetParent(h)) {
        if (h == ancestor) {
            return true;
        }
    }
    return false;
}

// The focus window, when it lies in `hwnd`'s tree.
HWND FocusWithin(HWND hwnd)
{
    const HWND focus = ::GetFocus();
    return focus != nullptr && IsSelfOrDescendant(hwnd, focus) ? focus : nullptr;
}

void PaintTree(HWND hwnd, HDC hdc, cairo_t* cr)
{
    SendMessage(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(hdc), 0);
    const int count = GetChildWindows(hwnd, nullptr, 0);
    std::vector<HWND> children(static_cast<size_t>(count));
    GetChildWindows(hwnd, children.data(), count);
    for (HWND child : children) {
        RECT rc{};
        if (!::IsWindow(child) || !::IsWindowVisible(child) || !::GetWindowRect(child, &rc)) {
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

WPARAM VirtualKey(Key key)
{
    switch (key) {
    case Key::Tab: return VK_TAB;
    case Key::Backspace: return VK_BACK;
    case Key::Delete: return VK_DELETE;
    case Key::Enter: return VK_RETURN;
    case Key::Escape: return VK_ESCAPE;
    case Key::Up: return VK_UP;
    case Key::Down: return VK_DOWN;
    case Key::Left: return VK_LEFT;
    case Key::Right: return VK_RIGHT;
    case Key::Home: return VK_HOME;
    case Key::End: return VK_END;
    }
    return 0;
}

} // namespace

HWND CreateHostWindow(int cx, int cy)
{
    return CreateWindowObject(0, L"Host", WS_VISIBLE, 0, 0, cx, cy, nullptr, nullptr);
}

HBITMAP CaptureWindow(HWND hwnd)
{
    RECT rc{};
    if (!::GetClientRect(hwnd, &rc) || rc.right <= 0 || rc.bottom <= 0) {
        return nullptr;
    }
    HBITMAP bitmap = ::CreateBitmap(rc.right, rc.bottom, 1, 32, nullptr);
    HDC hdc = CreateCompatibleDC(nullptr);
    if (bitmap == nullptr || hdc == nullptr || SelectObject(hdc, bitmap) == nullptr) {
        DeleteDC(hdc);
        DeleteObject(bitmap);
        return nullptr;
    }
    cairo_t* cr = GetCairo(hdc);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    PaintTree(hwnd, hdc, cr);
    cairo_surface_flush(cairo_get_target(cr));
    DeleteDC(hdc);
    return bitmap;
}

bool Click(HWND hwnd, int x, int y)
{
    RECT rc{};
    if (!::GetClientRect(hwnd, &rc) || x < 0 || y < 0 || x >= rc.right || y >= rc.bottom) {
        return false;
    }
    POINT pt{x, y};
    const HWND target = ChildWindowFromPointDeep(hwnd, pt);
    if (target == nullptr || !::IsWindowEnabled(target)) {
        return false;
    }
    ::SetFocus(target);
    SendMessage(target, WM_LBUTTONDOWN, 0, MAKELPARAM(pt.x, pt.y));
    if (::IsWindow(target)) {
        SendMessage(target, WM_LBUTTONUP, 0, MAKELPARAM(pt.x, pt.y));
    }
    return true;
}

bool TypeText(HWND hwnd, const wchar_t* text)
{
    if (text == nullptr || FocusWithin(hwnd) == nullptr) {
        return false;
    }
    for (const wchar_t* c = text; *c != L'\0'; ++c) {
        const HWND focus = FocusWithin(hwnd);
        if (focus == nullptr) {
            return false;
        }
        SendMessage(focus, WM_CHAR, static_cast<WPARAM>(*c), 0);
    }
    return true;
}

bool PressKey(HWND hwnd, Key key)
{
    const HWND focus = FocusWithin(hwnd);
    if (focus == nullptr) {
        return false;
    }
    const WPARAM vk = VirtualKey(key);
    SendMessage(focus, WM_KEYDOWN, vk, 0);
    // As on a desktop, the keys that stand for characters also type them.
    if ((key == Key::Backspace || key == Key::Enter) && ::IsWindow(focus)) {
        SendMessage(focus, WM_CHAR, key == Key::Backspace ? 0x08 : 0x0D, 0);
    }
    return true;
}

} // namespace platform

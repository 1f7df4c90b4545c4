#include "platform/Host.h"

#include "platform/InputDispatch.h"
#include "platform/win32/DeviceContext.h"
#include "platform/win32/WinGdi.h"
#include "platform/win32/WinUser.h"

#include <climits>

namespace srctrl::platform {

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
    PaintWindowTree(hwnd, hdc);
    DeleteDC(hdc);
    return bitmap;
}

bool MouseDown(HWND hwnd, int x, int y, Modifiers modifiers)
{
    return input::MouseDown(hwnd, x, y, modifiers);
}

bool MouseMove(HWND hwnd, int x, int y, Modifiers modifiers)
{
    return input::MouseMove(hwnd, x, y, true, modifiers);
}

bool MouseUp(HWND hwnd, int x, int y, Modifiers modifiers)
{
    return input::MouseUp(hwnd, x, y, modifiers);
}

bool Click(HWND hwnd, int x, int y, Modifiers modifiers)
{
    if (!MouseDown(hwnd, x, y, modifiers)) {
        return false;
    }
    // The press may have closed the window under it; the click happened all the same.
    MouseUp(hwnd, x, y, modifiers);
    return true;
}

bool Wheel(HWND hwnd, int x, int y, int notches, Modifiers modifiers)
{
    if (notches < -0x7FFF / WHEEL_DELTA || notches > 0x7FFF / WHEEL_DELTA) {
        return false;
    }
    return input::Wheel(hwnd, x, y, notches * WHEEL_DELTA, modifiers);
}

bool TypeText(HWND hwnd, const wchar_t* text)
{
    return text != nullptr && input::Text(hwnd, text);
}

bool PressKey(HWND hwnd, Key key, Modifiers modifiers)
{
    if (!input::KeyDown(hwnd, key, modifiers, true)) {
        return false;
    }
    input::KeyUp(hwnd, key, modifiers);
    return true;
}

} // namespace srctrl::platform

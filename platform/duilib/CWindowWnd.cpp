#include "platform/duilib/CWindowWnd.h"

namespace DuiLib {

CWindowWnd::~CWindowWnd()
{
    if (::IsWindow(m_hWnd)) {
        platform::DetachWindowProc(m_hWnd);
    }
}

HWND CWindowWnd::Create(HWND hwndParent, LPCTSTR pstrName, DWORD dwStyle, DWORD dwExStyle, int x, int y, int cx, int cy,
                        HMENU)
{
    if (m_hWnd != nullptr) {
        return nullptr;
    }
    // The handle arrives with WM_CREATE, before Create returns, so that the object can build its
    // content while it is being created.
    return platform::CreateWindowObject(dwExStyle, pstrName, dwStyle, x, y, cx, cy, hwndParent, this);
}

HWND CWindowWnd::Create(HWND hwndParent, LPCTSTR pstrName, DWORD dwStyle, DWORD dwExStyle, const RECT rc, HMENU hMenu)
{
    return Create(hwndParent, pstrName, dwStyle, dwExStyle, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                  hMenu);
}

void CWindowWnd::ShowWindow(bool bShow, bool bTakeFocus)
{
    if (!::IsWindow(m_hWnd)) {
        return;
    }
    ::ShowWindow(m_hWnd, bShow ? SW_SHOW : SW_HIDE);
    if (bShow && bTakeFocus) {
        ::SetFocus(m_hWnd);
    }
}

void CWindowWnd::MoveWindow(const RECT& rc)
{
    ::MoveWindow(m_hWnd, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, TRUE);
}

void CWindowWnd::ResizeClient(int cx, int cy)
{
    RECT rc{};
    if (!::GetWindowRect(m_hWnd, &rc)) {
        return;
    }
    const int width = cx >= 0 ? cx : rc.right - rc.left;
    const int height = cy >= 0 ? cy : rc.bottom - rc.top;
    ::MoveWindow(m_hWnd, rc.left, rc.top, width, height, TRUE);
}

LRESULT CWindowWnd::HandleMessage(UINT, WPARAM, LPARAM)
{
    return 0;
}

void CWindowWnd::OnFinalMessage(HWND) {}

LRESULT CWindowWnd::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CREATE) {
        m_hWnd = hwnd;
    }
    const LRESULT result = HandleMessage(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        platform::DetachWindowProc(hwnd);
        m_hWnd = nullptr;
        OnFinalMessage(hwnd);
    }
    return result;
}

} // namespace DuiLib

#pragma once

#include "platform/Export.h"
#include "platform/duilib/CDuiString.h"
#include "platform/win32/WinUser.h"

namespace DuiLib {

using HMENU = void*;

// A native window driven by this object. Destroying the native window (DestroyWindow, or the
// destruction of a parent) clears GetHWND and sends nothing more to the object; destroying the
// object while its window exists detaches the window first, so no message reaches a freed
// object.
class SRCTRL_API CWindowWnd : public IWindowProc {
public:
    CWindowWnd() = default;
    virtual ~CWindowWnd();
    CWindowWnd(const CWindowWnd&) = delete;
    CWindowWnd& operator=(const CWindowWnd&) = delete;

    HWND GetHWND() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }

    HWND Create(HWND hwndParent, LPCTSTR pstrName, DWORD dwStyle, DWORD dwExStyle, int x = 0, int y = 0, int cx = 0,
                int cy = 0, HMENU hMenu = nullptr);
    HWND Create(HWND hwndParent, LPCTSTR pstrName, DWORD dwStyle, DWORD dwExStyle, const RECT rc,
                HMENU hMenu = nullptr);
    void ShowWindow(bool bShow = true, bool bTakeFocus = true);
    void MoveWindow(const RECT& rc);
    void ResizeClient(int cx = -1, int cy = -1);

protected:
    virtual LPCTSTR GetWindowClassName() const = 0;
    virtual LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam);
    // The last message has been handled; the native window is gone.
    virtual void OnFinalMessage(HWND hWnd);

private:
    LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;

    HWND m_hWnd = nullptr;
};

} // namespace DuiLib

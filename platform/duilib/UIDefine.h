#pragma once

#include "platform/duilib/CDuiString.h"
#include "platform/win32/WinUser.h"

#include <algorithm>
#include <cmath>

namespace DuiLib {

class CControlUI;

// A notification from a control to whoever listens: the control's OnNotify delegates first,
// then the window's notifiers.
struct TNotifyUI {
    CDuiString sType;
    CControlUI* pSender = nullptr;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    POINT ptMouse{};
};

class INotifyUI {
public:
    virtual void Notify(TNotifyUI& msg) = 0;

protected:
    ~INotifyUI() = default;
};

enum EventType {
    UIEVENT_BUTTONDOWN,
    UIEVENT_BUTTONUP,
    UIEVENT_CHAR,
    UIEVENT_KEYDOWN,
    UIEVENT_SETFOCUS,
    UIEVENT_KILLFOCUS,
    UIEVENT_MOUSEMOVE,
    UIEVENT_SCROLLWHEEL,
    UIEVENT_TIMER,
    UIEVENT_DBLCLICK,
    UIEVENT_SETCURSOR,
    UIEVENT_IME_COMPOSITION,
    UIEVENT_RBUTTONDOWN,
};

// Input that the paint manager routes to a control. wKeyState holds MK_SHIFT, MK_CONTROL and
// MK_LBUTTON as they were at the event (UIEVENT_RBUTTONDOWN: the right button's press, which
// comes before a context menu); wParam is the virtual key (UIEVENT_KEYDOWN), the wheel
// delta in WHEEL_DELTA steps, positive away from the person (UIEVENT_SCROLLWHEEL), or the
// control's timer id (UIEVENT_TIMER). UIEVENT_SETCURSOR asks the control under the pointer to set
// the pointer's shape (::SetCursor); UIEVENT_IME_COMPOSITION carries the input method's text
// being composed in lParam (a platform::ImeComposition, valid during the event).
struct TEventUI {
    EventType Type;
    CControlUI* pSender = nullptr;
    POINT ptMouse{};
    wchar_t chKey = 0;
    WPARAM wParam = 0;
    WPARAM wKeyState = 0;
    LPARAM lParam = 0;
    // Set by a control that acted on a wheel turn (scrolled), so that a wheel over what cannot
    // scroll goes on to the host.
    bool bHandled = false;
};

// The clipboard that copy, cut and paste go through. A host installs the desktop's clipboard
// through CPaintManagerUI::SetClipboard; without one, an in-process clipboard serves.
class IClipboardUI {
public:
    // Puts a text on the clipboard; false when the clipboard refused it.
    virtual bool SetText(const std::wstring& text) = 0;
    // The clipboard's text; false when it holds none.
    virtual bool GetText(std::wstring& text) = 0;
    // The primary selection, which selecting text sets and the middle button pastes (X11's
    // PRIMARY); a clipboard without one refuses both.
    virtual bool SetSelectionText(const std::wstring&) { return false; }
    virtual bool GetSelectionText(std::wstring&) { return false; }

protected:
    ~IClipboardUI() = default;
};

// Notification types.
constexpr LPCTSTR DUI_MSGTYPE_TEXTCHANGED = L"textchanged";
constexpr LPCTSTR DUI_MSGTYPE_ITEMSELECT = L"itemselect";
constexpr LPCTSTR DUI_MSGTYPE_KILLFOCUS = L"killfocus";
constexpr LPCTSTR DUI_MSGTYPE_SETFOCUS = L"setfocus";
constexpr LPCTSTR DUI_MSGTYPE_CLICK = L"click";
constexpr LPCTSTR DUI_MSGTYPE_RETURN = L"return";
constexpr LPCTSTR DUI_MSGTYPE_DROPDOWN = L"dropdown";

// Positions and sizes of controls, in pixels, stay within [-kMaxCoordinate, kMaxCoordinate]:
// far beyond any page at the largest zoom, and small enough that the sum or difference of a few
// of them never overflows an int. Longer sums (a row of many children) are made in 64 bits and
// clamped.
constexpr int kMaxCoordinate = 1 << 24;

inline int ClampCoordinate(long long value)
{
    return static_cast<int>(std::clamp<long long>(value, -kMaxCoordinate, kMaxCoordinate));
}

// A scaled length rounded to whole pixels; NaN counts as 0.
inline int RoundCoordinate(double value)
{
    if (std::isnan(value)) {
        return 0;
    }
    return static_cast<int>(std::lround(std::clamp<double>(value, -kMaxCoordinate, kMaxCoordinate)));
}

// Text placement flags of controls that show text.
constexpr unsigned DT_LEFT = 0x0000;
constexpr unsigned DT_CENTER = 0x0001;
constexpr unsigned DT_RIGHT = 0x0002;
constexpr unsigned DT_TOP = 0x0000;
constexpr unsigned DT_VCENTER = 0x0004;
constexpr unsigned DT_BOTTOM = 0x0008;
constexpr unsigned DT_WORDBREAK = 0x0010;
constexpr unsigned DT_SINGLELINE = 0x0020;

} // namespace DuiLib

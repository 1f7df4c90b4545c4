#pragma once

#include "platform/Export.h"
#include "platform/win32/WinBitmap.h"
#include "platform/win32/WinDef.h"
#include "platform/win32/WinWindow.h"
#include "platform/win32/WindowBackend.h"

#include <cstdint>
#include <string>

// The window calls and messages the control uses inside the library (not installed; a host
// sees WinWindow.h). Windows: a registry of window objects behind opaque handles. Windows
// are not drawn on a screen; a window paints on request (WM_PRINTCLIENT) into a device context.

using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using SHORT = std::int16_t;
using UINT_PTR = std::uintptr_t;

constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_MOVE = 0x0003;
constexpr UINT WM_SIZE = 0x0005;
constexpr UINT WM_SETFOCUS = 0x0007;
constexpr UINT WM_KILLFOCUS = 0x0008;
constexpr UINT WM_ENABLE = 0x000A;
constexpr UINT WM_SHOWWINDOW = 0x0018;
constexpr UINT WM_NCDESTROY = 0x0082;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_CHAR = 0x0102;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_MOUSEMOVE = 0x0200;
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT WM_LBUTTONDBLCLK = 0x0203;
constexpr UINT WM_RBUTTONDOWN = 0x0204;
constexpr UINT WM_RBUTTONUP = 0x0205;
constexpr UINT WM_MBUTTONDOWN = 0x0207;
constexpr UINT WM_MBUTTONUP = 0x0208;
constexpr UINT WM_MOUSEWHEEL = 0x020A;
constexpr UINT WM_MOUSEHWHEEL = 0x020E;
constexpr UINT WM_IME_COMPOSITION = 0x010F;
constexpr UINT WM_PRINTCLIENT = 0x0318;
// The toolkit's own messages, in the range Windows leaves to applications.
// An edit command (wParam: a srctrl::EditCommand) for the text field that has the focus, or had it
// last in the window; lParam 1 only asks whether the command can run now. The result is 1 when it
// ran (or can run).
constexpr UINT WM_APP_EDITCOMMAND = 0x8001;
// Find or replace in that text field; lParam points to a platform::TextSearchRequest, valid during
// the message. The result is 1 when something was found.
constexpr UINT WM_APP_FINDTEXT = 0x8002;
// Text committed by an input method, as one step of the field's history; lParam points to a
// std::wstring valid during the message.
constexpr UINT WM_APP_COMMITTEXT = 0x8003;
// Spelling of the word at that text field's caret, and canned texts for it; lParam points to a
// DuiLib::SpellingRequest or DuiLib::SnippetRequest (TEditingRequest.h), valid during the message.
// The result is 1 when the field did what was asked.
constexpr UINT WM_APP_SPELLING = 0x8004;
constexpr UINT WM_APP_SNIPPET = 0x8005;

constexpr DWORD WS_CHILD = 0x40000000;
constexpr DWORD WS_VISIBLE = 0x10000000;
constexpr DWORD WS_DISABLED = 0x08000000;
constexpr DWORD WS_CLIPSIBLINGS = 0x04000000;
constexpr DWORD WS_CLIPCHILDREN = 0x02000000;
constexpr DWORD WS_EX_ACCEPTFILES = 0x00000010;
constexpr DWORD WS_EX_WINDOWEDGE = 0x00000100;

// Button and modifier flags of mouse messages (the low word of wParam).
constexpr WPARAM MK_LBUTTON = 0x0001;
constexpr WPARAM MK_RBUTTON = 0x0002;
constexpr WPARAM MK_MBUTTON = 0x0010;
constexpr WPARAM MK_SHIFT = 0x0004;
constexpr WPARAM MK_CONTROL = 0x0008;
constexpr int WHEEL_DELTA = 120;

constexpr WPARAM VK_BACK = 0x08;
constexpr WPARAM VK_TAB = 0x09;
constexpr WPARAM VK_RETURN = 0x0D;
constexpr WPARAM VK_SHIFT = 0x10;
constexpr WPARAM VK_CONTROL = 0x11;
constexpr WPARAM VK_MENU = 0x12;
constexpr WPARAM VK_ESCAPE = 0x1B;
constexpr WPARAM VK_PRIOR = 0x21;
constexpr WPARAM VK_NEXT = 0x22;
constexpr WPARAM VK_END = 0x23;
constexpr WPARAM VK_HOME = 0x24;
constexpr WPARAM VK_LEFT = 0x25;
constexpr WPARAM VK_UP = 0x26;
constexpr WPARAM VK_RIGHT = 0x27;
constexpr WPARAM VK_DOWN = 0x28;
constexpr WPARAM VK_DELETE = 0x2E;

inline LPARAM MAKELPARAM(int low, int high)
{
    return static_cast<LPARAM>((static_cast<std::uint32_t>(high & 0xFFFF) << 16) | static_cast<std::uint32_t>(low & 0xFFFF));
}
inline int GET_X_LPARAM(LPARAM lp) { return static_cast<std::int16_t>(lp & 0xFFFF); }
inline int GET_Y_LPARAM(LPARAM lp) { return static_cast<std::int16_t>((lp >> 16) & 0xFFFF); }
inline int GET_WHEEL_DELTA_WPARAM(WPARAM wp) { return static_cast<std::int16_t>((wp >> 16) & 0xFFFF); }
inline WPARAM GET_KEYSTATE_WPARAM(WPARAM wp) { return wp & 0xFFFF; }

// What handles the messages of a window; the toolkit's CWindowWnd is one.
class IWindowProc {
public:
    virtual LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) = 0;

protected:
    ~IWindowProc() = default;
};

namespace srctrl::platform {

// Creates a window at (x, y) in its parent's client coordinates (a top-level window without a
// parent) and sends WM_CREATE to `proc`, which may be null. Null for a parent that is not a
// window or a negative size; position and size are clamped as above.
SRCTRL_API HWND CreateWindowObject(DWORD exStyle, const wchar_t* name, DWORD style, int x, int y, int cx, int cy,
                                   HWND parent, IWindowProc* proc);

// Stops sending messages to the window's handler (the handler is being destroyed).
SRCTRL_API void DetachWindowProc(HWND hwnd);

} // namespace srctrl::platform

SRCTRL_API BOOL EnableWindow(HWND hwnd, BOOL enable);
SRCTRL_API BOOL IsWindowEnabled(HWND hwnd);
// Gives the window the keyboard focus (WM_KILLFOCUS to the old one, WM_SETFOCUS to it);
// returns the previous focus window.
SRCTRL_API HWND SetFocus(HWND hwnd);
SRCTRL_API HWND GetFocus();
// Sends a message to the window's handler. WM_KEYDOWN and WM_KEYUP also record the key's state
// for GetKeyState first, as a desktop's message loop does before a window sees the key.
SRCTRL_API LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// The state of a virtual key as of the key messages sent so far: negative while it is down.
SRCTRL_API SHORT GetKeyState(int virtKey);

// Timers: the window gets WM_TIMER (wParam = the id) each time `elapse` milliseconds of the
// toolkit's clock have passed (at least 10). Setting an id again restarts it. SetTimer gives the
// id, or 0 for a window that is not there or an id of 0; KillTimer is false for an unknown timer.
// A window's timers end with it.
SRCTRL_API UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, void* unused);
SRCTRL_API BOOL KillTimer(HWND hwnd, UINT_PTR id);

// Marks a rectangle of the window's client area (all of it for null) as needing a repaint: the
// window's backend is told, clipped to the window and its ancestors. Nothing happens for a
// hidden window. `erase` is accepted and ignored: windows always paint their background.
SRCTRL_API BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase);

// Whether a point lies in a rectangle: the left and top edges are inside, the right and bottom
// edges outside.
inline BOOL PtInRect(const RECT* rect, POINT pt)
{
    return rect != nullptr && pt.x >= rect->left && pt.x < rect->right && pt.y >= rect->top && pt.y < rect->bottom;
}

// The text caret, one per thread as on Windows: a bar of the given size in the window, placed
// with SetCaretPos (client coordinates). The backend of the window is told where it is, so that
// an input method can place its candidate window; painting it is the control's own business.
SRCTRL_API BOOL CreateCaret(HWND hwnd, HBITMAP bitmap, int width, int height);
SRCTRL_API BOOL SetCaretPos(int x, int y);
SRCTRL_API BOOL DestroyCaret();

// Pointer shapes. SetCursor applies to the window that the last mouse message went to.
struct HCURSOR__;
using HCURSOR = HCURSOR__*;
using HINSTANCE = void*;
inline const wchar_t* const IDC_ARROW = reinterpret_cast<const wchar_t*>(32512);
inline const wchar_t* const IDC_IBEAM = reinterpret_cast<const wchar_t*>(32513);
inline const wchar_t* const IDC_HAND = reinterpret_cast<const wchar_t*>(32649);
// Null for a name other than the three above.
SRCTRL_API HCURSOR LoadCursor(HINSTANCE instance, const wchar_t* name);
// Returns the previous cursor.
SRCTRL_API HCURSOR SetCursor(HCURSOR cursor);

namespace srctrl::platform {

// The input method's text being composed, which WM_IME_COMPOSITION carries in lParam (a pointer
// valid during the message): the text and the caret's place in it.
struct ImeComposition {
    std::wstring text;
    int cursor = 0;
};

// The clipboard of the window's backend (copy and paste), or, with `selection`, the primary
// selection that a selection sets and the middle button pastes (X11's PRIMARY).
SRCTRL_API bool GetClipboardText(HWND hwnd, std::wstring& text, bool selection = false);
SRCTRL_API bool SetClipboardText(HWND hwnd, const std::wstring& text, bool selection = false);

// The clock of the window's backend, in milliseconds, on which its timers run: it tells a pause
// in typing from a run of keys, as the toolkit's clock (see platform::AdvanceTime) sees it.
SRCTRL_API std::uint64_t GetWindowTime(HWND hwnd);

// What WM_APP_FINDTEXT asks of a text field: find `what` after the selection (wrapping), replace
// the selected match with `with` and find the next one, or replace every match as one step.
// `count` tells how many were replaced.
struct TextSearchRequest {
    enum class Action { Find, Replace, ReplaceAll };
    Action action = Action::Find;
    std::wstring what;
    std::wstring with;
    bool matchCase = false;
    bool wholeWord = false;
    int count = 0;
};

// Paints the window's client area and its visible descendants onto the device context, over
// white, each window clipped to itself, within the clip the context already has.
SRCTRL_API void PaintWindowTree(HWND hwnd, HDC hdc);

// The top-level window that a window belongs to (itself without a parent); null for no window.
SRCTRL_API HWND GetTopLevel(HWND hwnd);

// The children of a window, in creation order, and the window under a point of the parent's
// client area (the deepest visible child), used by the host-side input functions.
SRCTRL_API int GetChildWindows(HWND hwnd, HWND* children, int capacity);
SRCTRL_API HWND ChildWindowFromPointDeep(HWND hwnd, POINT& point);

} // namespace srctrl::platform

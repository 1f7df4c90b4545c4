#pragma once

#include "platform/Export.h"
#include "platform/win32/WinDef.h"
#include "platform/win32/WinWindow.h"

#include <cstdint>
#include <string>

namespace srctrl::platform {

// The pointer shapes a control asks for (LoadCursor's IDC_ names).
enum class CursorShape { Arrow, IBeam, Hand };

// Where a tree of windows meets a screen. The window registry keeps the toolkit's state of every
// window (tree, rectangles, styles, focus, timers); a backend is what one top-level window and
// its descendants are shown on and driven by. A top-level window without a backend of its own
// runs on the headless backend: nothing is shown, painting happens on request
// (platform::CaptureWindow) and time passes only through platform::AdvanceTime. The embedding
// surface is the other backend: it tells its host what to repaint and when to run the timers.
//
// Every call comes on the UI thread, from inside a window call; rectangles are in the top-level
// window's client coordinates, already clipped to it.
class IWindowBackend {
public:
    // Part of the window shows something else now.
    virtual void Invalidate(HWND topLevel, const RECT& rc) = 0;
    // The backend's clock, in milliseconds; the timers of its windows run on it.
    virtual std::uint64_t Now() = 0;
    // The timers of the window's tree changed: the next one falls due `delay` milliseconds from
    // Now(), or never (-1). The backend calls platform::RunDueTimers when that time comes.
    virtual void TimersChanged(HWND topLevel, long long delay) = 0;
    virtual void CursorChanged(HWND topLevel, CursorShape shape) = 0;
    // The text caret of the tree; an empty rectangle when no window shows one.
    virtual void CaretChanged(HWND topLevel, const RECT& caret) = 0;
    // The clipboard that copy and paste in the tree use, as text; with `selection`, the primary
    // selection (set by selecting, pasted by the middle button).
    virtual bool GetClipboardText(std::wstring& text, bool selection) = 0;
    virtual bool SetClipboardText(const std::wstring& text, bool selection) = 0;

protected:
    ~IWindowBackend() = default;
};

// Puts a top-level window (and the windows below it) on a backend; null puts it back on the
// headless one. The backend must outlive the window or be removed first. False for a window
// that is not there or has a parent.
SRCTRL_API bool SetWindowBackend(HWND topLevel, IWindowBackend* backend);

// Sends WM_TIMER for every timer of the backend's windows that is due on its clock, in the
// order they fall due; returns how many were sent.
SRCTRL_API int RunDueTimers(IWindowBackend* backend);

} // namespace srctrl::platform

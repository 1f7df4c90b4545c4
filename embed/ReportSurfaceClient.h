#pragma once

#include "embed/SurfaceInput.h"

#include <string>

namespace srctrl {

// What a ReportSurface asks of the host that shows it. Every call comes on the host's UI thread,
// from inside a call into the surface or the control (input, timers, IReportCtrl operations),
// never later and never from another thread. The surface keeps the pointer and never deletes it.
// A call that throws is taken as made (a question as answered with false) and logged through
// DCMTK's logger "srctrl"; the exception never reaches the control.
class ReportSurfaceClient {
public:
    // The rectangle (logical pixels, within the surface) shows something else now: paint it with
    // ReportSurface::Paint before the next frame. Several rectangles may come for one change;
    // a host merges them as its toolkit does (Qt's update(rect)).
    virtual void RepaintNeeded(const Rect& rect) = 0;

    // The control has a timer running (the caret's blink): call ReportSurface::RunTimers after
    // `milliseconds` from the host's event loop. Each request replaces the one before; -1 means
    // that no timer is running and nothing needs to be called.
    virtual void TimerNeeded(int milliseconds) = 0;

    // The pointer shape for the point the pointer is over.
    virtual void CursorChanged(Cursor) {}

    // Where the text caret is now (logical pixels), for placing an input method's candidate
    // window; an empty rectangle when no text field has the focus.
    virtual void CaretChanged(const Rect&) {}

    // The clipboard for copy, cut and paste, in UTF-8. Without an override the surface keeps a
    // clipboard of its own. GetClipboardText is false when the clipboard holds no text.
    virtual bool GetClipboardText(std::string& text);
    virtual bool SetClipboardText(const std::string& text);
    // The primary selection (X11's PRIMARY) in UTF-8: a person's selection sets it, the middle
    // button pastes it. Without an override the surface keeps one of its own.
    virtual bool GetSelectionText(std::string& text);
    virtual bool SetSelectionText(const std::string& text);

protected:
    ~ReportSurfaceClient() = default;

private:
    std::string m_strOwnClipboard;
    std::string m_strOwnSelection;
};

inline bool ReportSurfaceClient::GetClipboardText(std::string& text)
{
    text = m_strOwnClipboard;
    return true;
}

inline bool ReportSurfaceClient::SetClipboardText(const std::string& text)
{
    m_strOwnClipboard = text;
    return true;
}

inline bool ReportSurfaceClient::GetSelectionText(std::string& text)
{
    text = m_strOwnSelection;
    return true;
}

inline bool ReportSurfaceClient::SetSelectionText(const std::string& text)
{
    m_strOwnSelection = text;
    return true;
}

} // namespace srctrl

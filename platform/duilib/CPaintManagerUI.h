#pragma once

#include "platform/Export.h"
#include "platform/duilib/CControlUI.h"
#include "platform/duilib/IDropDownUI.h"
#include "platform/duilib/ITextEditUI.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace DuiLib {

// A font of the skin: family, size in design pixels, weight and slant.
struct TFontInfo {
    std::wstring sFamily = L"Sans";
    int iSize = 14;
    bool bBold = false;
    bool bItalic = false;
};

// An image known by name, owned by the paint manager.
struct TImageInfo {
    HBITMAP hBitmap = nullptr;
    int nWidth = 0;
    int nHeight = 0;
};

// The paint manager of one window: owns the root control and the skin's images and fonts,
// holds the zoom ratio, lays the controls out, paints them, routes input to them, keeps the
// focus, and sends notifications.
class SRCTRL_API CPaintManagerUI {
public:
    CPaintManagerUI();
    ~CPaintManagerUI();
    CPaintManagerUI(const CPaintManagerUI&) = delete;
    CPaintManagerUI& operator=(const CPaintManagerUI&) = delete;

    void Init(HWND hWnd);
    HWND GetPaintWindow() const { return m_hWndPaint; }

    // The folder that skin files are read from, ending with '/'. Shared by every window.
    static void SetResourcePath(LPCTSTR path);
    static CDuiString GetResourcePath();

    // Takes over the root control (a previous root is destroyed).
    bool AttachDialog(CControlUI* root);
    CControlUI* GetRoot() const { return m_pRoot; }
    // The first control of that name in depth-first order, or null.
    CControlUI* FindControl(LPCTSTR name) const;
    // The deepest visible control under a point of the window's client area, or null.
    CControlUI* FindControl(POINT pt) const;

    // Sets the ratio by which design sizes, fonts and painting are scaled; values outside
    // [0.01, 100] are refused.
    void SetZoomRatio(float ratio);
    float GetZoomRatio() const { return m_fZoomRatio; }
    // A design length times the zoom ratio, rounded and clamped as RoundCoordinate does.
    int Scale(double design) const;

    // Whether the window's controls paint for paper: values as text on the page, without the
    // borders, buttons and backgrounds of input fields, caret or selection. Off by default; a
    // window that prints a copy of a page turns it on while it prints.
    void SetPrinting(bool printing) { m_bPrinting = printing; }
    bool IsPrinting() const { return m_bPrinting; }

    // Fonts by the skin's "id"; a later font of the same id replaces the earlier one. -1 or an
    // unknown id is the default font.
    void AddFont(int id, const TFontInfo& font, bool isDefault);
    const TFontInfo& GetFont(int index) const;

    // Images by name. AddImage takes the bitmap over (replacing an image of the same name).
    void AddImage(LPCTSTR name, HBITMAP bitmap, int width, int height);
    const TImageInfo* GetImage(LPCTSTR name);

    CControlUI* GetFocus() const { return m_pFocus; }
    // The text field that has the focus, or had it when the window lost the desktop's focus; null
    // when the focus is on no text field.
    ITextEditUI* GetFocusedTextEdit() const;
    // Moves the focus; the control that loses it gets "killfocus", the one that gains it
    // "setfocus". Null takes the focus from every control.
    void SetFocus(CControlUI* control);
    // Moves the focus to the next (or previous) control that takes it, in tree order.
    bool SetNextTabControl(bool forward = true);

    // A timer of a control: it gets UIEVENT_TIMER with `timerId` every `elapse` milliseconds
    // of the window's timers (see platform::AdvanceTime) until it is killed or leaves the page.
    // False without a window.
    bool SetTimer(CControlUI* control, UINT timerId, UINT elapse);
    bool KillTimer(CControlUI* control, UINT timerId);

    // The clipboard of every window: the one a host installed (which stays the host's), or
    // else the clipboard of the screen the window is on (see platform::IWindowBackend).
    static void SetClipboard(IClipboardUI* clipboard);
    IClipboardUI* GetClipboard();

    void AddNotifier(INotifyUI* notifier);
    void RemoveNotifier(INotifyUI* notifier);
    void SendNotify(CControlUI* control, LPCTSTR type, WPARAM wParam = 0, LPARAM lParam = 0);

    // A rectangle of the window (client coordinates) needs a repaint.
    void Invalidate(const RECT& rc);

    // Lays out the controls when something changed since the last layout.
    // The whole window is repainted then, since any control may move.
    void NeedUpdate();
    void UpdateLayout();
    // Paints the window's client area into the device context.
    void Paint(HDC hdc);
    // Handles window messages; true when the message was the manager's. Edit commands, find and
    // replace and an input method's commit (WM_APP_EDITCOMMAND, WM_APP_FINDTEXT,
    // WM_APP_COMMITTEXT) go to GetFocusedTextEdit(), with `result` 1 when they did something.
    bool MessageHandler(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    // The one open drop-down of the window, painted above the page; opening one closes the one
    // that was open, null closes it. Both are repainted. A press outside the open drop-down
    // closes it (a press on its owner does nothing else); one inside goes to the drop-down.
    void SetOpenDropDown(IDropDownUI* dropDown);
    IDropDownUI* GetOpenDropDown() const { return m_pOpenDropDown; }
    // Closes the open drop-down when `control` owns it.
    void CloseDropDownOf(CControlUI* control);

    // Called by a control that leaves the tree: it no longer holds the focus or the drop-down.
    void ReapObjects(CControlUI* control);

    // The window's client area.
    RECT ClientRect() const;

private:
    struct TTimerInfo {
        CControlUI* pSender;
        UINT nLocalID;
        UINT_PTR uWinTimer;
    };

    // The part of the client area that the device context's clip lets through.
    RECT PaintRect(HDC hdc) const;
    void CollectFocusable(CControlUI* control, std::vector<CControlUI*>& list) const;
    // `result` is 1 for a wheel turn that a control acted on.
    bool HandleMouse(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool IsOverOpenDropDown(POINT pt) const;
    // A button press while a drop-down is open; true when the press was the drop-down's.
    bool PressOpenDropDown(POINT pt);
    // Asks the control under the pointer for the pointer's shape (an arrow over nothing).
    void SetCursorFor(CControlUI* control, POINT pt);
    bool HandleTextMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // The window gained or lost the keyboard focus.
    void WindowFocusChanged(bool gained);
    void KillTimers(CControlUI* control);

    HWND m_hWndPaint = nullptr;
    CControlUI* m_pRoot = nullptr;
    CControlUI* m_pFocus = nullptr;
    IDropDownUI* m_pOpenDropDown = nullptr;
    // The open drop-down's owner, kept apart since the drop-down is no longer asked once its
    // control is being destroyed.
    CControlUI* m_pDropDownOwner = nullptr;
    // Where the open drop-down is drawn, kept to repaint it when it closes, also when its
    // control goes.
    RECT m_rcOpenDropDown{};
    // The control that took the button press gets the drag and the release.
    CControlUI* m_pEventClick = nullptr;
    // The last button press went to the open drop-down, or closed it.
    bool m_bDropDownPress = false;
    std::vector<TTimerInfo> m_vecTimers;
    UINT_PTR m_uNextTimer = 1;
    float m_fZoomRatio = 1.0f;
    bool m_bPrinting = false;
    bool m_bUpdateNeeded = false;
    bool m_bLayingOut = false;
    bool m_bDestroying = false;
    std::map<int, TFontInfo> m_mapFonts;
    TFontInfo m_defaultFont;
    std::map<std::wstring, TImageInfo> m_mapImages;
    std::vector<INotifyUI*> m_vecNotifiers;
    // Copy and paste through the window's backend when no host clipboard is installed.
    class CWindowClipboard : public IClipboardUI {
    public:
        explicit CWindowClipboard(const CPaintManagerUI& manager) : m_manager(manager) {}
        bool SetText(const std::wstring& text) override;
        bool GetText(std::wstring& text) override;
        bool SetSelectionText(const std::wstring& text) override;
        bool GetSelectionText(std::wstring& text) override;

    private:
        const CPaintManagerUI& m_manager;
    };
    CWindowClipboard m_windowClipboard{*this};
    bool m_bSettingFocus = false;
};

} // namespace DuiLib

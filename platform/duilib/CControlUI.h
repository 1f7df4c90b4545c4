#pragma once

#include "platform/Export.h"
#include "platform/duilib/UIDefine.h"
#include "platform/duilib/UIDelegate.h"
#include "platform/win32/WinGdi.h"

namespace DuiLib {

class CPaintManagerUI;

// What a control with nothing to show does on paper (its "printempty" attribute): it is left out
// and the page closes the gap (the default), it keeps its place empty ("keep"), or it prints a
// dash ("dash").
enum class PrintEmpty { Omit, Keep, Dash };

// The base of every control: a rectangle on a page with a name, text, user data, colours, an
// optional background image, and its place in the layout.
//
// Sizes set through attributes and SetFixedWidth/SetFixedHeight are kept in design pixels; the
// getters return them scaled by the paint manager's zoom ratio, and the setters take values in
// the same scaled pixels, so a value read and written back stays the same at every zoom.
// A control belongs to its parent container, or to the paint manager when it is the root.
class SRCTRL_API CControlUI {
public:
    CControlUI();
    virtual ~CControlUI();
    CControlUI(const CControlUI&) = delete;
    CControlUI& operator=(const CControlUI&) = delete;

    virtual CDuiString GetName() const;
    virtual LPCTSTR GetClass() const;
    virtual CControlUI* GetParent() const;
    virtual CDuiString GetText() const;
    // Whether GetText would give this text, without copying it (a finding may be megabytes).
    virtual bool HasText(const wchar_t* text) const;
    virtual void SetText(LPCTSTR text);
    virtual const RECT& GetPos() const;
    // Places the control; each edge is clamped to ±kMaxCoordinate and an inverted rectangle
    // becomes an empty one.
    virtual void SetPos(RECT rc, bool bNeedInvalidate = true);
    virtual int GetWidth() const;
    virtual int GetHeight() const;
    virtual RECT GetPadding() const;
    virtual int GetFixedWidth() const;
    virtual void SetFixedWidth(int cx);
    virtual int GetFixedHeight() const;
    virtual void SetFixedHeight(int cy);
    virtual CDuiString GetUserData() const;
    virtual bool IsVisible() const;
    virtual void SetVisible(bool bVisible = true);
    virtual void SetEnabled(bool bEnable = true);
    virtual void SetFocus();
    virtual void SetFloat(bool bFloat = true);
    virtual void Paint(HDC hDC, const RECT& rcPaint, CControlUI* pStopControl = nullptr);
    virtual void DoPaint(HDC hDC, const RECT& rcPaint, CControlUI* pStopControl = nullptr);

    virtual void SetAttribute(LPCTSTR name, LPCTSTR value);
    // The size the control asks of its layout, in scaled pixels; 0 means "stretch".
    virtual SIZE EstimateSize(SIZE available);
    virtual void DoEvent(TEventUI& event);
    // Whether the control takes the keyboard focus (by click or Tab).
    virtual bool IsFocusable() const { return false; }
    // The deepest visible control under a point of the window, or null.
    virtual CControlUI* FindControlAt(POINT pt);
    virtual void SetManager(CPaintManagerUI* manager, CControlUI* parent);
    // Visibility that a hidden ancestor imposes; IsVisible is false while it is off.
    virtual void SetInternVisible(bool bVisible);

    void SetName(LPCTSTR name) { m_sName = name; }
    void SetUserData(LPCTSTR data) { m_sUserData = data; }
    bool IsEnabled() const { return m_bEnabled; }
    bool IsFocused() const { return m_bFocused; }
    bool IsFloat() const { return m_bFloat; }
    CPaintManagerUI* GetManager() const { return m_pManager; }

    void SetBkColor(DWORD color);
    DWORD GetBkColor() const { return m_dwBackColor; }
    void SetTextColor(DWORD color);
    DWORD GetTextColor() const { return m_dwTextColor; }
    void SetDisabledTextColor(DWORD color) { m_dwDisabledTextColor = color; }
    void SetFont(int index);
    void SetTextStyle(unsigned style);
    // A background image known to the paint manager by name (an "img" element of the skin, or a
    // file of the skin folder); null or empty removes the background image.
    void SetBkImage(LPCTSTR image);
    // A background image that the control takes over and deletes.
    void SetBkImage(HBITMAP bitmap, int width, int height);
    CDuiString GetBkImage() const { return m_sBkImage; }
    // Whether a background image, named or taken over, is set.
    bool HasBkImage() const { return m_hBkBitmap != nullptr || !m_sBkImage.IsEmpty(); }
    PrintEmpty GetPrintEmpty() const { return m_ePrintEmpty; }
    // Position of a floating control inside its parent, in scaled pixels.
    void SetFixedXY(SIZE xy);
    SIZE GetFixedXY() const;
    void SetPadding(RECT rc);

    void NeedUpdate();
    void NeedParentUpdate();
    // The control's area shows something else now: its window repaints it.
    void Invalidate();

    CEventSource OnInit;
    CEventSource OnSize;
    CEventSource OnNotify;

protected:
    // Whether the control paints for paper (see CPaintManagerUI::SetPrinting).
    bool IsPrinting() const;
    // The text colour to paint with: grey while disabled on the screen; paper has no disabled look.
    DWORD PaintTextColor() const;
    // What an empty value prints: a dash where the template asks for one, else nothing.
    CDuiString EmptyPrintText() const;
    virtual void PaintBkColor(HDC hDC);
    virtual void PaintBkImage(HDC hDC);
    virtual void PaintText(HDC hDC);
    virtual void PaintBorder(HDC hDC);
    // The frame of a field that takes input, blue while it has the focus. A field that takes no
    // input (a display of the document, a verified report) has none: it reads as text on the
    // page, not as a box to type into.
    void PaintFieldFrame(HDC hDC);
    // Scales a design length by the zoom ratio, rounded and clamped as RoundCoordinate does.
    int Scale(double design) const;
    // The width of a one-pixel line of the design at the zoom: whole device pixels, at least
    // one, so that a printed border is as heavy as on the screen and never falls between dots.
    int HairlineWidth() const;
    double Unscale(int scaled) const;

    CPaintManagerUI* m_pManager = nullptr;
    CControlUI* m_pParent = nullptr;
    CDuiString m_sName;
    CDuiString m_sText;
    CDuiString m_sUserData;
    RECT m_rcItem{};
    RECT m_rcPadding{};     // design pixels
    double m_cxFixed = 0;   // design pixels
    double m_cyFixed = 0;
    double m_xFloat = 0;
    double m_yFloat = 0;
    bool m_bFloat = false;
    bool m_bVisible = true;
    bool m_bInternVisible = true;
    bool m_bEnabled = true;
    bool m_bFocused = false;
    DWORD m_dwBackColor = 0;
    DWORD m_dwBorderColor = 0;
    int m_nBorderSize = 0;
    DWORD m_dwTextColor = 0xFF000000;
    DWORD m_dwDisabledTextColor = 0xFFA0A0A0;
    int m_iFont = -1;
    unsigned m_uTextStyle = DT_LEFT | DT_VCENTER | DT_SINGLELINE;
    RECT m_rcTextPadding{};  // design pixels
    CDuiString m_sBkImage;
    HBITMAP m_hBkBitmap = nullptr;
    PrintEmpty m_ePrintEmpty = PrintEmpty::Omit;
};

// Parses "l,t,r,b" (or fewer numbers) into a rectangle; missing numbers are 0.
RECT ParseRect(LPCTSTR text);
// Parses a colour: "#AARRGGBB", "#RRGGBB", "0xAARRGGBB" or a decimal number.
DWORD ParseColor(LPCTSTR text);
bool ParseBool(LPCTSTR text);
// Decimal integer in [-100000, 100000] (design sizes are kept in that range).
int ParseInt(LPCTSTR text);

} // namespace DuiLib

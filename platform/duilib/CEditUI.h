#pragma once

#include "platform/duilib/CControlUI.h"
#include "platform/duilib/CTextEditState.h"

namespace DuiLib {

// A single-line text field. A person's typing changes the text and sends "textchanged" at each
// change; Enter sends "return". SetText from the program sends nothing.
class SRCTRL_API CEditUI : public CControlUI {
public:
    CEditUI();
    LPCTSTR GetClass() const override;
    void SetText(LPCTSTR text) override;
    void DoEvent(TEventUI& event) override;
    bool IsFocusable() const override { return IsEnabled(); }
    void SetAttribute(LPCTSTR name, LPCTSTR value) override;
    void SetReadOnly(bool readOnly) { m_bReadOnly = readOnly; }
    bool IsReadOnly() const { return m_bReadOnly; }

protected:
    CEditUI(bool multiline, size_t maxChars);
    void PaintText(HDC hDC) override;
    void PaintBorder(HDC hDC) override;

    bool m_bReadOnly = false;
    CTextEditState m_edit;
};

// A multi-line text field for long texts. Unlike the single-line edit, Enter starts a new line,
// and SetText from the program also sends "textchanged".
class SRCTRL_API CRichEditUI : public CEditUI {
public:
    CRichEditUI();
    LPCTSTR GetClass() const override;
    void SetText(LPCTSTR text) override;

protected:
    void PaintText(HDC hDC) override;
};

} // namespace DuiLib

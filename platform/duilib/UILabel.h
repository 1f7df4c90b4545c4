#pragma once

#include "platform/duilib/CControlUI.h"

namespace DuiLib {

// Text on the page, single line unless "wordbreak" is set.
class SRCTRL_API CLabelUI : public CControlUI {
public:
    LPCTSTR GetClass() const override;
};

// A block of text that wraps at word boundaries.
class SRCTRL_API CTextUI : public CLabelUI {
public:
    CTextUI();
    LPCTSTR GetClass() const override;
};

// A push button: takes the focus and sends "click" when released over itself.
class SRCTRL_API CButtonUI : public CLabelUI {
public:
    CButtonUI();
    LPCTSTR GetClass() const override;
    bool IsFocusable() const override { return IsEnabled(); }
    void DoEvent(TEventUI& event) override;
};

} // namespace DuiLib

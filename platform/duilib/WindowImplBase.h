#pragma once

#include "platform/duilib/CPaintManagerUI.h"
#include "platform/duilib/CWindowWnd.h"

namespace DuiLib {

// A window whose content is a skin: on creation it points the resource path at GetSkinFolder()
// (a folder ending with '/', or "" for skins given as XML text), builds GetSkinFile() into its
// paint manager and then calls InitWindow. It paints on WM_PRINTCLIENT and routes input to its controls.
class SRCTRL_API WindowImplBase : public CWindowWnd, public INotifyUI {
public:
    WindowImplBase() = default;
    ~WindowImplBase() override;

    void Notify(TNotifyUI& msg) override;

    CPaintManagerUI m_pm;

protected:
    virtual CDuiString GetSkinFolder() = 0;
    virtual CDuiString GetSkinFile() = 0;
    virtual void InitWindow();
    LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override;

private:
    void OnCreate();
};

} // namespace DuiLib

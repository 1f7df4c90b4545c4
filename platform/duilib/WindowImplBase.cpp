#include "platform/duilib/WindowImplBase.h"

#include "platform/duilib/CDialogBuilder.h"

namespace DuiLib {

WindowImplBase::~WindowImplBase()
{
    m_pm.RemoveNotifier(this);
}

void WindowImplBase::Notify(TNotifyUI&) {}

void WindowImplBase::InitWindow() {}

void WindowImplBase::OnCreate()
{
    m_pm.Init(GetHWND());
    m_pm.AddNotifier(this);
    CPaintManagerUI::SetResourcePath(GetSkinFolder().GetData());
    CDialogBuilder builder;
    CControlUI* root = builder.Create(GetSkinFile().GetData(), nullptr, nullptr, &m_pm);
    if (root != nullptr) {
        m_pm.AttachDialog(root);
        m_pm.NeedUpdate();
        m_pm.UpdateLayout();
    }
    InitWindow();
}

LRESULT WindowImplBase::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg) {
    case WM_CREATE:
        OnCreate();
        return 0;
    case WM_PRINTCLIENT:
        m_pm.Paint(reinterpret_cast<HDC>(wParam));
        return 0;
    default:
        break;
    }
    LRESULT result = 0;
    if (m_pm.MessageHandler(uMsg, wParam, lParam, result)) {
        return result;
    }
    return CWindowWnd::HandleMessage(uMsg, wParam, lParam);
}

} // namespace DuiLib

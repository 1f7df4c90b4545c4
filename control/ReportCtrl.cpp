#include "control/IReportCtrl.h"
#include "control/KMMainWindow.h"

IReportCtrl* CreateReportCtrl()
{
    return new KMMainWindow;
}

void ReleaseReportCtrl(IReportCtrl* ctrl)
{
    if (ctrl != nullptr) {
        static_cast<KMMainWindow*>(ctrl)->Release();
    }
}

#include "control/IReportCtrl.h"
#include "control/KMMainWindow.h"

IReportCtrl* CreateReportCtrl()
{
    return new KMMainWindow;
}

void ReleaseReportCtrl(IReportCtrl* ctrl)
{
    delete ctrl;
}

#include "control/IReportCtrl.h"
#include "control/KMMainWindow.h"
#include "platform/kmbase/KMBoundary.h"

IReportCtrl* CreateReportCtrl()
try {
    return new KMMainWindow;
} catch (...) {
    return KMBoundary::Failed<IReportCtrl*>(nullptr);
}

void ReleaseReportCtrl(IReportCtrl* ctrl)
try {
    if (ctrl != nullptr) {
        static_cast<KMMainWindow*>(ctrl)->Release();
    }
} catch (...) {
    KMBoundary::Failed();
}

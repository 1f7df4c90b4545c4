#include "platform/kmdicom/KMDcmLog.h"

#include <dcmtk/oflog/oflog.h>

void KMDcmLog::Silence()
{
    static const bool silenced = [] {
        OFLog::getLogger("dcmtk.dcmdata").setLogLevel(OFLogger::OFF_LOG_LEVEL);
        return true;
    }();
    (void)silenced;
}

#include "platform/kmdicom/KMDcmLog.h"

namespace {

// Looked up once: a guard is taken on every value the control reads or writes. Never destroyed,
// so that no guard meets a logger that DCMTK's own shutdown has already taken down.
OFLogger& DataLogger()
{
    static OFLogger* logger = new OFLogger(OFLog::getLogger("dcmtk.dcmdata"));
    return *logger;
}

OFLogger& ReportLogger()
{
    static OFLogger* logger = new OFLogger(OFLog::getLogger("dcmtk.dcmsr"));
    return *logger;
}

} // namespace

KMDcmLog::KMDcmLog() : m_nLevel(DataLogger().getLogLevel()), m_nReportLevel(ReportLogger().getLogLevel())
{
    DataLogger().setLogLevel(OFLogger::OFF_LOG_LEVEL);
    ReportLogger().setLogLevel(OFLogger::OFF_LOG_LEVEL);
}

KMDcmLog::~KMDcmLog()
{
    DataLogger().setLogLevel(m_nLevel);
    ReportLogger().setLogLevel(m_nReportLevel);
}

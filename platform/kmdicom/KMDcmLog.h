#pragma once

#include <dcmtk/oflog/oflog.h>

// DCMTK reports problems through its loggers, on the process's standard error; the control
// reports failures through its results only. While one of these lives, DCMTK's data-layer and
// SR loggers are off; the levels that the host configured come back when it goes, so a host that uses
// DCMTK's logging keeps its own configuration. Every public call of the kmdicom classes that
// works on DCMTK's objects holds one. Guards nest. A guard lives only inside one of the control's
// calls, on the host's thread or on a thread that call waits for (KMDcmDeepStack).
class KMDcmLog {
public:
    KMDcmLog();
    ~KMDcmLog();
    KMDcmLog(const KMDcmLog&) = delete;
    KMDcmLog& operator=(const KMDcmLog&) = delete;

private:
    dcmtk::log4cplus::LogLevel m_nLevel;
    dcmtk::log4cplus::LogLevel m_nReportLevel;
};

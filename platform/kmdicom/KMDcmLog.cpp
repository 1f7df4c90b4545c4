#include "platform/kmdicom/KMDcmLog.h"

#include <dcmtk/oflog/oflog.h>

#include <mutex>

namespace {

// The loggers, looked up once: a guard is taken on every value the control reads or writes.
// Never destroyed, so that no guard meets a logger that DCMTK's own shutdown has already taken
// down. `nGuards` counts the living guards; the levels before the first are kept in `levels`.
struct Quiet {
    std::mutex mutex;
    int nGuards = 0;
    OFLogger loggers[2] = {OFLog::getLogger("dcmtk.dcmdata"), OFLog::getLogger("dcmtk.dcmsr")};
    dcmtk::log4cplus::LogLevel levels[2] = {};
};

Quiet& TheQuiet()
{
    static Quiet* quiet = new Quiet;
    return *quiet;
}

} // namespace

KMDcmLog::KMDcmLog()
{
    Quiet& quiet = TheQuiet();
    const std::lock_guard<std::mutex> lock(quiet.mutex);
    if (quiet.nGuards++ == 0) {
        for (int i = 0; i < 2; ++i) {
            quiet.levels[i] = quiet.loggers[i].getLogLevel();
            quiet.loggers[i].setLogLevel(OFLogger::OFF_LOG_LEVEL);
        }
    }
}

KMDcmLog::~KMDcmLog()
{
    Quiet& quiet = TheQuiet();
    const std::lock_guard<std::mutex> lock(quiet.mutex);
    if (--quiet.nGuards == 0) {
        for (int i = 0; i < 2; ++i) {
            quiet.loggers[i].setLogLevel(quiet.levels[i]);
        }
    }
}

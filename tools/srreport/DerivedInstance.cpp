#include "DerivedInstance.h"

#include "Failure.h"

#include "control/SrCtrl.h"

#include <dcmtk/dcmdata/dcdeftag.h>
#include <dcmtk/dcmdata/dcitem.h>

namespace DerivedInstance {

std::string NewUid(const char* what)
{
    char uid[65];
    if (!SrCtrlGenerateUid(uid, sizeof uid)) {
        throw Failure(ExitCode::Failed, std::string("cannot make a UID for ") + what);
    }
    return uid;
}

std::string SeriesNumber(DcmItem& report, int step)
{
    constexpr Sint32 kWithoutNumber = 8000;
    Sint32 number = 0;
    if (report.findAndGetSint32(DCM_SeriesNumber, number).good() && number > 0 && number < 0x7FFFFFFF - step) {
        return std::to_string(number + step);
    }
    return std::to_string(kWithoutNumber + step);
}

} // namespace DerivedInstance

#include "platform/kmbase/KMHostCall.h"

#include <dcmtk/oflog/oflog.h>

void KMHostCall::Log(std::exception_ptr thrown) noexcept
{
    try {
        std::string what = "an exception that is no std::exception";
        try {
            std::rethrow_exception(thrown);
        } catch (const std::exception& e) {
            what = e.what();
        } catch (...) {
        }
        static OFLogger logger = OFLog::getLogger("srctrl");
        OFLOG_ERROR(logger, "a host callback threw, and the control went on without it: " << what.c_str());
    } catch (...) {
        // Nothing is left to tell it with: the exception stops here all the same.
    }
}

#include "platform/kmbase/KMBoundary.h"

#include "platform/kmbase/KMLastError.h"

#include <exception>
#include <new>
#include <string>

void KMBoundary::Record() noexcept
{
    try {
        throw;
    } catch (const std::bad_alloc&) {
        KMLastError::SetShort("out of memory");
    } catch (const std::exception& e) {
        try {
            KMLastError::Set(std::string("internal error: ") + e.what());
        } catch (...) {
            KMLastError::SetShort("internal error");
        }
    } catch (...) {
        KMLastError::SetShort("internal error");
    }
}

#include "platform/win32/CupsLibrary.h"

#include <dlfcn.h>

#include <mutex>

namespace {

template <class Function>
bool Resolve(void* library, const char* name, Function& function)
{
    function = reinterpret_cast<Function>(dlsym(library, name));
    return function != nullptr;
}

} // namespace

const CupsLibrary* CupsLibrary::Get()
{
    static std::once_flag once;
    static CupsLibrary library;
    static bool loaded = false;
    std::call_once(once, [] { loaded = library.Load(); });
    return loaded ? &library : nullptr;
}

bool CupsLibrary::Load()
{
    void* library = dlopen("libcups.so.2", RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        return false;
    }
    const bool resolved = Resolve(library, "cupsGetNamedDest", GetNamedDest) &&
                          Resolve(library, "cupsFreeDests", FreeDests) &&
                          Resolve(library, "cupsCopyDestInfo", CopyDestInfo) &&
                          Resolve(library, "cupsFreeDestInfo", FreeDestInfo) &&
                          Resolve(library, "cupsGetDestMediaDefault", GetDestMediaDefault) &&
                          Resolve(library, "cupsFindDestDefault", FindDestDefault) &&
                          Resolve(library, "cupsCreateDestJob", CreateDestJob) &&
                          Resolve(library, "cupsStartDestDocument", StartDestDocument) &&
                          Resolve(library, "cupsWriteRequestData", WriteRequestData) &&
                          Resolve(library, "cupsFinishDestDocument", FinishDestDocument) &&
                          Resolve(library, "cupsCancelDestJob", CancelDestJob) &&
                          Resolve(library, "ippGetValueTag", GetValueTag) &&
                          Resolve(library, "ippGetResolution", GetResolution);
    if (!resolved) {
        dlclose(library);
    }
    return resolved;
}

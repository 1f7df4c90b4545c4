#include "platform/win32/WinGdi.h"

#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <unordered_set>

namespace {

// Hosts may create and release bitmaps from more than one thread; the registry is the only
// state that such calls share.
std::mutex g_mutex;
std::unordered_set<GdiObject*>& Registry()
{
    static std::unordered_set<GdiObject*> objects;
    return objects;
}

bool IsLive(HGDIOBJ h)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return h != nullptr && Registry().count(h) != 0;
}

} // namespace

namespace platform {

HGDIOBJ RegisterGdiObject(GdiObject* object)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    Registry().insert(object);
    return object;
}

BitmapObject* LookupBitmap(HGDIOBJ h)
{
    return IsLive(h) ? dynamic_cast<BitmapObject*>(h) : nullptr;
}

} // namespace platform

HBITMAP CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitCount, const void* bits)
{
    if (nPlanes != 1 || nBitCount != 32 || nWidth < 1 || nHeight < 1 ||
        static_cast<long long>(nWidth) * nHeight > kMaxBitmapPixels) {
        return nullptr;
    }
    std::unique_ptr<BitmapObject> bitmap(new (std::nothrow) BitmapObject);
    if (!bitmap) {
        return nullptr;
    }
    const size_t bytes = static_cast<size_t>(nWidth) * static_cast<size_t>(nHeight) * 4;
    try {
        bitmap->vecBits.resize(bytes);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    if (bits != nullptr) {
        std::memcpy(bitmap->vecBits.data(), bits, bytes);
    }
    bitmap->nWidth = nWidth;
    bitmap->nHeight = nHeight;
    return static_cast<HBITMAP>(platform::RegisterGdiObject(bitmap.release()));
}

int GetObject(HGDIOBJ h, int cbBuffer, LPVOID pv)
{
    BitmapObject* bitmap = platform::LookupBitmap(h);
    if (bitmap == nullptr || pv == nullptr || cbBuffer < static_cast<int>(sizeof(BITMAP))) {
        return 0;
    }
    BITMAP info{};
    info.bmWidth = bitmap->nWidth;
    info.bmHeight = bitmap->nHeight;
    info.bmWidthBytes = bitmap->nWidth * 4;
    info.bmPlanes = 1;
    info.bmBitsPixel = 32;
    info.bmBits = bitmap->vecBits.data();
    std::memcpy(pv, &info, sizeof(info));
    return static_cast<int>(sizeof(info));
}

BOOL DeleteObject(HGDIOBJ h)
{
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        if (h == nullptr || Registry().erase(h) == 0) {
            return FALSE;
        }
    }
    delete h;
    return TRUE;
}

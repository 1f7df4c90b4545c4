#include "platform/duilib/CDecodedPicture.h"

#include "platform/duilib/CRenderEngine.h"
#include "platform/win32/WinGdi.h"

#include <cairo.h>

#include <algorithm>
#include <functional>
#include <mutex>
#include <string_view>
#include <unordered_map>

namespace DuiLib {

namespace {

// Pictures by the hash of their bytes; an entry lives no longer than the boxes holding it.
struct Cache {
    std::mutex mutex;
    std::unordered_multimap<size_t, std::weak_ptr<const CDecodedPicture>> pictures;
};

Cache& TheCache()
{
    static Cache cache;
    return cache;
}

void ForgetReleased(Cache& cache)
{
    for (auto it = cache.pictures.begin(); it != cache.pictures.end();) {
        it = it->second.expired() ? cache.pictures.erase(it) : std::next(it);
    }
}

} // namespace

CDecodedPicture::CDecodedPicture(HBITMAP bitmap, std::vector<unsigned char> bytes)
    : m_hBitmap(bitmap), m_pSurface(CRenderEngine::CreateSurface(bitmap)), m_vecBytes(std::move(bytes))
{
}

CDecodedPicture::~CDecodedPicture()
{
    // A page still being recorded keeps its own copy of the pixels from here on.
    cairo_surface_destroy(m_pSurface);
    DeleteObject(m_hBitmap);
}

std::shared_ptr<const CDecodedPicture> CDecodedPicture::Get(const unsigned char* data, size_t length)
{
    if (data == nullptr || length == 0) {
        return nullptr;
    }
    const std::string_view bytes(reinterpret_cast<const char*>(data), length);
    const size_t key = std::hash<std::string_view>{}(bytes);
    Cache& cache = TheCache();
    const std::lock_guard<std::mutex> lock(cache.mutex);
    const auto range = cache.pictures.equal_range(key);
    for (auto it = range.first; it != range.second; ++it) {
        std::shared_ptr<const CDecodedPicture> shared = it->second.lock();
        if (shared != nullptr && std::equal(data, data + length, shared->m_vecBytes.begin(), shared->m_vecBytes.end())) {
            return shared;
        }
    }
    HBITMAP bitmap = CRenderEngine::CreateBitmap(data, length);
    if (bitmap == nullptr) {
        return nullptr;
    }
    auto picture = std::make_shared<const CDecodedPicture>(bitmap, std::vector<unsigned char>(data, data + length));
    ForgetReleased(cache);
    cache.pictures.emplace(key, picture);
    return picture;
}

} // namespace DuiLib

#include "platform/win32/WinGdi.h"

#include "platform/win32/DeviceContext.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <unordered_set>
#include <utility>

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

namespace srctrl::platform {

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

HBITMAP AdoptBitmap(int width, int height, std::vector<BYTE>&& pixels)
{
    if (width < 1 || height < 1 || static_cast<long long>(width) * height > kMaxBitmapPixels ||
        pixels.size() != static_cast<size_t>(width) * static_cast<size_t>(height) * 4) {
        return nullptr;
    }
    auto* bitmap = new (std::nothrow) BitmapObject;
    if (bitmap == nullptr) {
        return nullptr;
    }
    bitmap->nWidth = width;
    bitmap->nHeight = height;
    bitmap->vecBits = std::move(pixels);
    return static_cast<HBITMAP>(RegisterGdiObject(bitmap));
}

DeviceContext* LookupDC(HDC h)
{
    return IsLive(h) ? dynamic_cast<DeviceContext*>(static_cast<GdiObject*>(h)) : nullptr;
}

cairo_t* GetCairo(HDC hdc)
{
    DeviceContext* dc = LookupDC(hdc);
    return dc != nullptr ? dc->pCairo : nullptr;
}

HDC CreateSurfaceDC(cairo_surface_t* surface)
{
    if (surface == nullptr || cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        return nullptr;
    }
    cairo_t* cr = cairo_create(surface);
    auto* dc = cairo_status(cr) == CAIRO_STATUS_SUCCESS ? new (std::nothrow) DeviceContext : nullptr;
    if (dc == nullptr) {
        cairo_destroy(cr);
        return nullptr;
    }
    dc->pCairo = cr;
    dc->pSurface = cairo_surface_reference(surface);
    return static_cast<HDC>(RegisterGdiObject(dc));
}

} // namespace srctrl::platform

namespace {

// Points a memory context's Cairo surface at a bitmap's pixels.
bool AttachSurface(DeviceContext* dc, BitmapObject* bitmap)
{
    cairo_surface_t* surface = cairo_image_surface_create_for_data(
        bitmap->vecBits.data(), CAIRO_FORMAT_ARGB32, bitmap->nWidth, bitmap->nHeight, bitmap->nWidth * 4);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return false;
    }
    cairo_t* cr = cairo_create(surface);
    if (cairo_status(cr) != CAIRO_STATUS_SUCCESS) {
        cairo_destroy(cr);
        cairo_surface_destroy(surface);
        return false;
    }
    if (dc->pCairo != nullptr) {
        cairo_destroy(dc->pCairo);
        cairo_surface_destroy(dc->pSurface);
    }
    dc->pCairo = cr;
    dc->pSurface = surface;
    if (dc->hBitmap != nullptr) {
        dc->hBitmap->pSelectedIn = nullptr;
    }
    dc->hBitmap = bitmap;
    bitmap->pSelectedIn = dc;
    return true;
}

} // namespace

namespace srctrl::platform {

} // namespace srctrl::platform

HBITMAP srctrl::CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitCount, const void* bits)
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

int srctrl::GetObject(HGDIOBJ h, int cbBuffer, LPVOID pv)
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

BOOL srctrl::DeleteObject(HGDIOBJ h)
{
    if (BitmapObject* bitmap = platform::LookupBitmap(h)) {
        if (bitmap->pSelectedIn != nullptr) {
            return FALSE;
        }
    }
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        if (h == nullptr || Registry().erase(h) == 0) {
            return FALSE;
        }
    }
    delete h;
    return TRUE;
}

DeviceContext::~DeviceContext()
{
    if (pCairo != nullptr) {
        cairo_destroy(pCairo);
    }
    if (pSurface != nullptr) {
        cairo_surface_destroy(pSurface);
    }
}

int DeviceContext::PixelWidth() const
{
    if (bPrinter) {
        return static_cast<int>(dWidthMm / 25.4 * nDpi + 0.5);
    }
    return hBitmap != nullptr ? hBitmap->nWidth : 0;
}

int DeviceContext::PixelHeight() const
{
    if (bPrinter) {
        return static_cast<int>(dHeightMm / 25.4 * nDpi + 0.5);
    }
    return hBitmap != nullptr ? hBitmap->nHeight : 0;
}

namespace {

// A margin in whole dots, rounded outwards so that nothing drawn inside the printable area lands
// on a margin.
int MarginDots(double mm, int dpi) { return static_cast<int>(std::ceil(mm / 25.4 * dpi - 1e-6)); }

} // namespace

int DeviceContext::PrintableWidth() const
{
    return std::max(1, PixelWidth() - MarginDots(dLeftMm, nDpi) - MarginDots(dRightMm, nDpi));
}

int DeviceContext::PrintableHeight() const
{
    return std::max(1, PixelHeight() - MarginDots(dTopMm, nDpi) - MarginDots(dBottomMm, nDpi));
}

int DeviceContext::OffsetX() const { return bPrinter ? MarginDots(dLeftMm, nDpi) : 0; }

int DeviceContext::OffsetY() const { return bPrinter ? MarginDots(dTopMm, nDpi) : 0; }

HDC CreateCompatibleDC(HDC hdc)
{
    if (hdc != nullptr) {
        return nullptr;
    }
    HBITMAP stock = CreateBitmap(1, 1, 1, 32, nullptr);
    if (stock == nullptr) {
        return nullptr;
    }
    auto* dc = new (std::nothrow) DeviceContext;
    if (dc == nullptr || !AttachSurface(dc, stock)) {
        delete dc;
        stock->pSelectedIn = nullptr;
        DeleteObject(stock);
        return nullptr;
    }
    dc->hStockBitmap = stock;
    return static_cast<HDC>(platform::RegisterGdiObject(dc));
}

HBITMAP CreateDIBSection(HDC, const BITMAPINFO* info, UINT usage, void** bits, HANDLE, DWORD)
{
    if (bits != nullptr) {
        *bits = nullptr;
    }
    if (info == nullptr || usage != DIB_RGB_COLORS || info->bmiHeader.biSize < sizeof(BITMAPINFOHEADER) ||
        info->bmiHeader.biPlanes != 1 || info->bmiHeader.biBitCount != 32 ||
        info->bmiHeader.biCompression != BI_RGB || info->bmiHeader.biHeight >= 0 ||
        info->bmiHeader.biHeight == INT32_MIN) {
        return nullptr;
    }
    HBITMAP bitmap = CreateBitmap(info->bmiHeader.biWidth, -info->bmiHeader.biHeight, 1, 32, nullptr);
    if (bitmap != nullptr && bits != nullptr) {
        *bits = bitmap->vecBits.data();
    }
    return bitmap;
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h)
{
    DeviceContext* dc = platform::LookupDC(hdc);
    BitmapObject* bitmap = platform::LookupBitmap(h);
    if (dc == nullptr || dc->bPrinter || bitmap == nullptr) {
        return nullptr;
    }
    HBITMAP previous = dc->hBitmap;
    if (bitmap == previous) {
        return previous;
    }
    if (bitmap->pSelectedIn != nullptr || !AttachSurface(dc, bitmap)) {
        return nullptr;
    }
    return previous;
}

int GetDeviceCaps(HDC hdc, int index)
{
    DeviceContext* dc = platform::LookupDC(hdc);
    if (dc == nullptr) {
        return 0;
    }
    switch (index) {
    case HORZRES:
        return dc->bPrinter ? dc->PrintableWidth() : dc->PixelWidth();
    case PHYSICALWIDTH:
        return dc->PixelWidth();
    case VERTRES:
        return dc->bPrinter ? dc->PrintableHeight() : dc->PixelHeight();
    case PHYSICALHEIGHT:
        return dc->PixelHeight();
    case LOGPIXELSX:
    case LOGPIXELSY:
        return dc->nDpi;
    case PHYSICALOFFSETX:
        return dc->OffsetX();
    case PHYSICALOFFSETY:
        return dc->OffsetY();
    default:
        return 0;
    }
}

BOOL DeleteDC(HDC hdc)
{
    DeviceContext* dc = platform::LookupDC(hdc);
    if (dc == nullptr) {
        return FALSE;
    }
    if (dc->bPrinter) {
        platform::AbandonDocument(dc);
    }
    if (dc->hBitmap != nullptr) {
        dc->hBitmap->pSelectedIn = nullptr;
    }
    HBITMAP stock = dc->hStockBitmap;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        Registry().erase(dc);
    }
    delete dc;
    if (stock != nullptr) {
        DeleteObject(stock);
    }
    return TRUE;
}

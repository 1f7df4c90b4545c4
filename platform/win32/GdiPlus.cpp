#include "platform/win32/GdiPlus.h"

#include "platform/win32/DeviceContext.h"

#include <atomic>
#include <new>

struct GpGraphics {
    HDC hdc = nullptr;
    PixelOffsetMode mode = PixelOffsetModeDefault;
};

struct GpBrush {
    virtual ~GpBrush() = default;
};

struct GpSolidFill : GpBrush {
    ARGB color = 0;
};

// Nothing here needs starting: the two calls only keep what a host ported from Windows expects
// of them, a token for each start-up and a refusal of what GDI+ itself refuses.
namespace srctrl {

GpStatus GdiplusStartup(ULONG_PTR* token, const GdiplusStartupInput* input, GdiplusStartupOutput*)
{
    static std::atomic<ULONG_PTR> nextToken{1};
    if (token == nullptr || input == nullptr || input->GdiplusVersion < 1 || input->GdiplusVersion > 3) {
        return GpStatus::InvalidParameter;
    }
    *token = nextToken++;
    return GpStatus::Ok;
}

void GdiplusShutdown(ULONG_PTR) {}

} // namespace srctrl

GpStatus GdipCreateFromHDC(HDC hdc, GpGraphics** graphics)
{
    if (graphics == nullptr || platform::LookupDC(hdc) == nullptr) {
        return InvalidParameter;
    }
    *graphics = new (std::nothrow) GpGraphics;
    if (*graphics == nullptr) {
        return OutOfMemory;
    }
    (*graphics)->hdc = hdc;
    return Ok;
}

GpStatus GdipDeleteGraphics(GpGraphics* graphics)
{
    if (graphics == nullptr) {
        return InvalidParameter;
    }
    delete graphics;
    return Ok;
}

GpStatus GdipSetPixelOffsetMode(GpGraphics* graphics, PixelOffsetMode mode)
{
    if (graphics == nullptr || mode < PixelOffsetModeDefault || mode > PixelOffsetModeHalf) {
        return InvalidParameter;
    }
    graphics->mode = mode;
    return Ok;
}

GpStatus GdipCreateSolidFill(ARGB color, GpSolidFill** brush)
{
    if (brush == nullptr) {
        return InvalidParameter;
    }
    *brush = new (std::nothrow) GpSolidFill;
    if (*brush == nullptr) {
        return OutOfMemory;
    }
    (*brush)->color = color;
    return Ok;
}

GpStatus GdipDeleteBrush(GpBrush* brush)
{
    if (brush == nullptr) {
        return InvalidParameter;
    }
    delete brush;
    return Ok;
}

GpStatus GdipFillRectangle(GpGraphics* graphics, GpBrush* brush, REAL x, REAL y, REAL width, REAL height)
{
    auto* fill = dynamic_cast<GpSolidFill*>(brush);
    cairo_t* cr = graphics != nullptr ? platform::GetCairo(graphics->hdc) : nullptr;
    if (fill == nullptr || cr == nullptr || width < 0 || height < 0) {
        return InvalidParameter;
    }
    cairo_save(cr);
    cairo_set_source_rgba(cr, ((fill->color >> 16) & 0xFF) / 255.0, ((fill->color >> 8) & 0xFF) / 255.0,
                          (fill->color & 0xFF) / 255.0, ((fill->color >> 24) & 0xFF) / 255.0);
    cairo_rectangle(cr, x, y, width, height);
    cairo_fill(cr);
    cairo_restore(cr);
    return Ok;
}

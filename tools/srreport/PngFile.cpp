#include "PngFile.h"

#include "Failure.h"

#include <cairo.h>

namespace {

cairo_status_t Append(void* closure, const unsigned char* data, unsigned int length)
{
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

} // namespace

std::string EncodePng(srctrl::HBITMAP bitmap)
{
    srctrl::BITMAP info{};
    if (srctrl::GetObject(bitmap, sizeof info, &info) == 0 || info.bmBits == nullptr || info.bmBitsPixel != 32) {
        throw Failure(ExitCode::Failed, "the control gave no picture to write");
    }
    // A top-down bitmap may give its height as a negative number, as on Windows.
    const int height = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
    // The control's pixels are premultiplied BGRA rows, which is Cairo's ARGB32 on a
    // little-endian machine; the surface only borrows them.
    cairo_surface_t* surface = cairo_image_surface_create_for_data(static_cast<unsigned char*>(info.bmBits),
                                                                   CAIRO_FORMAT_ARGB32, info.bmWidth, height,
                                                                   info.bmWidthBytes);
    std::string png;
    const cairo_status_t status = cairo_surface_write_to_png_stream(surface, Append, &png);
    cairo_surface_destroy(surface);
    if (status != CAIRO_STATUS_SUCCESS) {
        throw Failure(ExitCode::Failed, std::string("cannot encode the picture as PNG: ") + cairo_status_to_string(status));
    }
    return png;
}

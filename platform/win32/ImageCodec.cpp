#include "platform/win32/ImageCodec.h"

#include <cairo.h>

#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>

#include <jpeglib.h>

namespace {

struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

void OnJpegError(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1);
}

void IgnoreJpegMessage(j_common_ptr) {}

// Grows the pixel buffer without throwing, so that no exception crosses libjpeg's frames.
bool ResizeQuietly(std::vector<BYTE>& pixels, size_t bytes)
{
    try {
        pixels.resize(bytes);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

// libjpeg reports errors by long jumps; these two functions keep only plain data between the
// jump point and the library calls, so that a jump skips no destructor.
bool CompressJpeg(const BYTE* pixels, int width, int height, int quality, unsigned char** out, unsigned long* size)
{
    jpeg_compress_struct info;
    JpegError error;
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = OnJpegError;
    error.manager.output_message = IgnoreJpegMessage;
    if (setjmp(error.jump) != 0) {
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    // Starting with room for a typical result spares the destination its growing and copying.
    *size = std::min(static_cast<unsigned long>(width) * static_cast<unsigned long>(height) / 2 + 65536,
                     32UL * 1024 * 1024);
    *out = static_cast<unsigned char*>(std::malloc(*size));
    if (*out == nullptr) {
        *size = 0;
    }
    jpeg_mem_dest(&info, out, size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 4;
    info.in_color_space = JCS_EXT_BGRX;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    JSAMPROW rows[64];
    while (info.next_scanline < info.image_height) {
        const JDIMENSION batch = std::min<JDIMENSION>(64, info.image_height - info.next_scanline);
        for (JDIMENSION i = 0; i < batch; ++i) {
            rows[i] = const_cast<JSAMPROW>(pixels + static_cast<size_t>(info.next_scanline + i) * width * 4);
        }
        jpeg_write_scanlines(&info, rows, batch);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

bool DecompressJpeg(const unsigned char* data, unsigned long length, size_t maxBytes, int* width, int* height,
                    std::vector<BYTE>* pixels)
{
    jpeg_decompress_struct info;
    JpegError error;
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = OnJpegError;
    error.manager.output_message = IgnoreJpegMessage;
    if (setjmp(error.jump) != 0) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, length);
    jpeg_read_header(&info, TRUE);
    const size_t bytes = static_cast<size_t>(info.image_width) * info.image_height * 4;
    if (info.image_width == 0 || info.image_height == 0 || info.image_width > 65535 || info.image_height > 65535 ||
        bytes > maxBytes) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    info.out_color_space = JCS_EXT_BGRA;
    jpeg_start_decompress(&info);
    if (!ResizeQuietly(*pixels, bytes)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = pixels->data() + static_cast<size_t>(info.output_scanline) * info.output_width * 4;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    *width = static_cast<int>(info.output_width);
    *height = static_cast<int>(info.output_height);
    jpeg_destroy_decompress(&info);
    return true;
}

struct ReadCursor {
    const unsigned char* data;
    size_t left;
};

cairo_status_t ReadChunk(void* closure, unsigned char* out, unsigned int length)
{
    auto* cursor = static_cast<ReadCursor*>(closure);
    if (length > cursor->left) {
        return CAIRO_STATUS_READ_ERROR;
    }
    std::memcpy(out, cursor->data, length);
    cursor->data += length;
    cursor->left -= length;
    return CAIRO_STATUS_SUCCESS;
}

cairo_status_t WriteChunk(void* closure, const unsigned char* data, unsigned int length)
{
    auto* out = static_cast<std::vector<unsigned char>*>(closure);
    out->insert(out->end(), data, data + length);
    return CAIRO_STATUS_SUCCESS;
}

std::uint32_t BigEndian32(const unsigned char* p)
{
    return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
           (static_cast<std::uint32_t>(p[2]) << 8) | p[3];
}

} // namespace

bool ImageCodec::EncodeJpeg(const BYTE* pixels, int width, int height, int quality, std::vector<unsigned char>& jpeg)
{
    jpeg.clear();
    if (pixels == nullptr || width < 1 || height < 1 || quality < 0 || quality > 100) {
        return false;
    }
    unsigned char* out = nullptr;
    unsigned long size = 0;
    const bool ok = CompressJpeg(pixels, width, height, quality, &out, &size);
    if (ok && out != nullptr) {
        jpeg.assign(out, out + size);
    }
    std::free(out);
    return ok && !jpeg.empty();
}

bool ImageCodec::EncodePng(const BYTE* pixels, int width, int height, std::vector<unsigned char>& png)
{
    png.clear();
    if (pixels == nullptr || width < 1 || height < 1) {
        return false;
    }
    cairo_surface_t* surface = cairo_image_surface_create_for_data(const_cast<BYTE*>(pixels), CAIRO_FORMAT_ARGB32,
                                                                   width, height, width * 4);
    const bool ok = cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS &&
                    cairo_surface_write_to_png_stream(surface, WriteChunk, &png) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface);
    if (!ok) {
        png.clear();
    }
    return ok;
}

bool ImageCodec::Decode(const unsigned char* data, size_t length, size_t maxBytes, int& width, int& height,
                        std::vector<BYTE>& pixels)
{
    pixels.clear();
    if (data == nullptr || length < 8) {
        return false;
    }
    if (data[0] == 0xFF && data[1] == 0xD8) {
        return DecodeJpeg(data, length, maxBytes, width, height, pixels);
    }
    static const unsigned char kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (std::memcmp(data, kPngSignature, 8) == 0) {
        return DecodePng(data, length, maxBytes, width, height, pixels);
    }
    return false;
}

bool ImageCodec::DecodeJpeg(const unsigned char* data, size_t length, size_t maxBytes, int& width, int& height,
                            std::vector<BYTE>& pixels)
{
    int w = 0;
    int h = 0;
    if (length > 0xFFFFFFFFUL || !DecompressJpeg(data, static_cast<unsigned long>(length), maxBytes, &w, &h, &pixels)) {
        pixels.clear();
        return false;
    }
    width = w;
    height = h;
    return true;
}

bool ImageCodec::DecodePng(const unsigned char* data, size_t length, size_t maxBytes, int& width, int& height,
                           std::vector<BYTE>& pixels)
{
    // The IHDR chunk follows the signature: length, type, then width and height.
    if (length < 24 || std::memcmp(data + 12, "IHDR", 4) != 0) {
        return false;
    }
    const std::uint32_t w = BigEndian32(data + 16);
    const std::uint32_t h = BigEndian32(data + 20);
    if (w == 0 || h == 0 || w > 65535 || h > 65535 || static_cast<size_t>(w) * h * 4 > maxBytes) {
        return false;
    }
    ReadCursor cursor{data, length};
    cairo_surface_t* surface = cairo_image_surface_create_from_png_stream(ReadChunk, &cursor);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return false;
    }
    // Cairo may pad rows; the bitmap layout has none.
    cairo_surface_t* packed = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(w), static_cast<int>(h));
    cairo_t* cr = cairo_create(packed);
    cairo_set_source_surface(cr, surface, 0, 0);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_flush(packed);
    const bool ok = cairo_surface_status(packed) == CAIRO_STATUS_SUCCESS;
    if (ok) {
        const int stride = cairo_image_surface_get_stride(packed);
        const unsigned char* bits = cairo_image_surface_get_data(packed);
        pixels.resize(static_cast<size_t>(w) * h * 4);
        for (std::uint32_t y = 0; y < h; ++y) {
            std::memcpy(&pixels[static_cast<size_t>(y) * w * 4], bits + static_cast<size_t>(y) * stride, w * 4);
        }
        width = static_cast<int>(w);
        height = static_cast<int>(h);
    }
    cairo_surface_destroy(packed);
    cairo_surface_destroy(surface);
    return ok;
}

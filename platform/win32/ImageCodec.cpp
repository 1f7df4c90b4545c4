#include "platform/win32/ImageCodec.h"

#include "platform/kmbase/KMLastError.h"

#include <cairo.h>
#include <turbojpeg.h>

#include <cstdint>
#include <cstring>
#include <exception>
#include <memory>
#include <string>

namespace {

// JPEG's own limit on either side of a picture.
constexpr int kMaxJpegSide = 65500;

// A TurboJPEG instance, destroyed with its owner.
struct TjDestroyer {
    void operator()(void* handle) const { tjDestroy(handle); }
};
using TjHandle = std::unique_ptr<void, TjDestroyer>;

bool Fail(const char* what, const std::string& reason)
{
    KMLastError::Set(std::string(what) + ": " + reason);
    return false;
}

bool NotEncoded(const std::string& reason) { return Fail("JPEG not encoded", reason); }
bool NotDecoded(const std::string& reason) { return Fail("picture not decoded", reason); }

std::string SizeText(long long width, long long height)
{
    return std::to_string(width) + " x " + std::to_string(height) + " pixels";
}

// Grows the pixel buffer without throwing: a picture too large for memory is a failure like any other.
bool ResizeQuietly(std::vector<BYTE>& pixels, size_t bytes)
{
    try {
        pixels.resize(bytes);
        return true;
    } catch (const std::exception&) {
        return false;
    }
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

std::uint32_t BigEndian32(const unsigned char* p)
{
    return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
           (static_cast<std::uint32_t>(p[2]) << 8) | p[3];
}

} // namespace

bool ImageCodec::EncodeJpeg(const BYTE* pixels, int width, int height, int quality, std::vector<unsigned char>& jpeg)
{
    // The pixels' alpha is not kept: JPEG has none, and every bitmap handed in is opaque.
    return Encode(pixels, width, height, TJPF_BGRX, quality, jpeg);
}

bool ImageCodec::EncodeJpegSamples(const BYTE* samples, int width, int height, int channels, int quality,
                                   std::vector<unsigned char>& jpeg)
{
    if (channels != 1 && channels != 3) {
        jpeg.clear();
        return NotEncoded(std::to_string(channels) + " samples a pixel, JPEG takes 1 or 3");
    }
    return Encode(samples, width, height, channels == 1 ? TJPF_GRAY : TJPF_RGB, quality, jpeg);
}

bool ImageCodec::Encode(const BYTE* pixels, int width, int height, int pixelFormat, int quality,
                        std::vector<unsigned char>& jpeg)
{
    jpeg.clear();
    if (pixels == nullptr) {
        return NotEncoded("no pixels");
    }
    if (width < 1 || height < 1 || width > kMaxJpegSide || height > kMaxJpegSide) {
        return NotEncoded(SizeText(width, height) + ", JPEG takes 1 to 65500 a side");
    }
    if (quality < 0 || quality > 100) {
        return NotEncoded("quality " + std::to_string(quality) + " is not from 0 to 100");
    }
    TjHandle handle(tjInitCompress());
    if (!handle) {
        return NotEncoded(tjGetErrorStr2(nullptr));
    }
    unsigned char* out = nullptr;
    unsigned long size = 0;
    const int pitch = width * tjPixelSize[pixelFormat];
    const int subsampling = pixelFormat == TJPF_GRAY ? TJSAMP_GRAY : TJSAMP_420;
    if (tjCompress2(handle.get(), pixels, width, pitch, height, pixelFormat, &out, &size, subsampling, quality,
                    TJFLAG_ACCURATEDCT) != 0) {
        tjFree(out);
        return NotEncoded(tjGetErrorStr2(handle.get()));
    }
    try {
        jpeg.assign(out, out + size);
    } catch (const std::exception&) {
        jpeg.clear();
    }
    tjFree(out);
    return !jpeg.empty() || NotEncoded("out of memory");
}

bool ImageCodec::Decode(const unsigned char* data, size_t length, size_t maxBytes, int& width, int& height,
                        std::vector<BYTE>& pixels)
{
    pixels.clear();
    if (data == nullptr || length < 8) {
        return NotDecoded(data == nullptr ? "no bytes" : "only " + std::to_string(length) + " bytes");
    }
    if (data[0] == 0xFF && data[1] == 0xD8) {
        return DecodeJpeg(data, length, maxBytes, width, height, pixels);
    }
    static const unsigned char kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (std::memcmp(data, kPngSignature, 8) == 0) {
        return DecodePng(data, length, maxBytes, width, height, pixels);
    }
    return NotDecoded("neither JPEG nor PNG");
}

bool ImageCodec::DecodeJpeg(const unsigned char* data, size_t length, size_t maxBytes, int& width, int& height,
                            std::vector<BYTE>& pixels)
{
    if (length > 0xFFFFFFFFUL) {
        return NotDecoded("more than 4 GiB of JPEG");
    }
    TjHandle handle(tjInitDecompress());
    if (!handle) {
        return NotDecoded(tjGetErrorStr2(nullptr));
    }
    int w = 0;
    int h = 0;
    int subsampling = 0;
    int colourSpace = 0;
    if (tjDecompressHeader3(handle.get(), data, static_cast<unsigned long>(length), &w, &h, &subsampling,
                            &colourSpace) != 0) {
        return NotDecoded(tjGetErrorStr2(handle.get()));
    }
    const size_t bytes = static_cast<size_t>(w) * static_cast<size_t>(h) * 4;
    if (w < 1 || h < 1 || bytes > maxBytes) {
        return NotDecoded(SizeText(w, h) + " take more than " + std::to_string(maxBytes) + " bytes");
    }
    if (!ResizeQuietly(pixels, bytes)) {
        return NotDecoded(SizeText(w, h) + ": out of memory");
    }
    // A damaged stream is a warning: what decoded is shown, as a viewer shows it. A progressive
    // stream of hundreds of scans is refused (TJFLAG_LIMITSCANS): it would take minutes to decode.
    if (tjDecompress2(handle.get(), data, static_cast<unsigned long>(length), pixels.data(), w, w * 4, h, TJPF_BGRA,
                      TJFLAG_ACCURATEDCT | TJFLAG_LIMITSCANS) != 0 &&
        tjGetErrorCode(handle.get()) != TJERR_WARNING) {
        pixels.clear();
        return NotDecoded(tjGetErrorStr2(handle.get()));
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
        return NotDecoded("PNG without its header chunk");
    }
    const std::uint32_t w = BigEndian32(data + 16);
    const std::uint32_t h = BigEndian32(data + 20);
    if (w == 0 || h == 0 || w > 65535 || h > 65535 || static_cast<size_t>(w) * h * 4 > maxBytes) {
        return NotDecoded(SizeText(w, h) + " take more than " + std::to_string(maxBytes) + " bytes");
    }
    ReadCursor cursor{data, length};
    cairo_surface_t* surface = cairo_image_surface_create_from_png_stream(ReadChunk, &cursor);
    const cairo_status_t read = cairo_surface_status(surface);
    if (read != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return NotDecoded(cairo_status_to_string(read));
    }
    // Cairo may pad rows; the bitmap layout has none.
    cairo_surface_t* packed = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(w), static_cast<int>(h));
    cairo_t* cr = cairo_create(packed);
    cairo_set_source_surface(cr, surface, 0, 0);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_flush(packed);
    const cairo_status_t status = cairo_surface_status(packed);
    const bool ok = status == CAIRO_STATUS_SUCCESS && ResizeQuietly(pixels, static_cast<size_t>(w) * h * 4);
    if (ok) {
        const int stride = cairo_image_surface_get_stride(packed);
        const unsigned char* bits = cairo_image_surface_get_data(packed);
        for (std::uint32_t y = 0; y < h; ++y) {
            std::memcpy(&pixels[static_cast<size_t>(y) * w * 4], bits + static_cast<size_t>(y) * stride, w * 4);
        }
        width = static_cast<int>(w);
        height = static_cast<int>(h);
    }
    cairo_surface_destroy(packed);
    cairo_surface_destroy(surface);
    if (!ok) {
        pixels.clear();
        return NotDecoded(status != CAIRO_STATUS_SUCCESS ? cairo_status_to_string(status) : "out of memory");
    }
    return true;
}

#include "platform/win32/GdiPlus.h"

#include "platform/win32/DeviceContext.h"
#include "platform/win32/ImageCodec.h"

#include <cstring>
#include <new>
#include <vector>

const GUID EncoderQuality = {0x1d5be4b5, 0xfa4a, 0x452d, {0x9c, 0xdd, 0x5d, 0xb3, 0x51, 0x05, 0xe7, 0xeb}};

struct GpImage {
    virtual ~GpImage() = default;
};

struct GpBitmap : GpImage {
    int nWidth = 0;
    int nHeight = 0;
    std::vector<BYTE> vecBits;
};

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

namespace {

// GDI+ runs on the host's UI thread like the control; start-ups are counted, not locked.
int g_startups = 0;
ULONG_PTR g_nextToken = 1;

const CLSID kJpegClsid = {0x557cf401, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
const CLSID kPngClsid = {0x557cf406, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
const GUID kJpegFormat = {0xb96b3cae, 0x0728, 0x11d3, {0x9d, 0x7b, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
const GUID kPngFormat = {0xb96b3caf, 0x0728, 0x11d3, {0x9d, 0x7b, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
constexpr int kDefaultJpegQuality = 75;

struct EncoderText {
    const CLSID* clsid;
    const GUID* format;
    const wchar_t* name;
    const wchar_t* description;
    const wchar_t* extension;
    const wchar_t* mime;
};

const EncoderText kEncoders[] = {
    {&kJpegClsid, &kJpegFormat, L"Built-in JPEG Codec", L"JPEG", L"*.JPG;*.JPEG;*.JPE;*.JFIF", L"image/jpeg"},
    {&kPngClsid, &kPngFormat, L"Built-in PNG Codec", L"PNG", L"*.PNG", L"image/png"},
};
constexpr UINT kEncoderCount = sizeof(kEncoders) / sizeof(kEncoders[0]);

size_t TextBytes(const wchar_t* text)
{
    return (std::wcslen(text) + 1) * sizeof(wchar_t);
}

size_t EncoderBytes()
{
    size_t bytes = kEncoderCount * sizeof(ImageCodecInfo);
    for (const EncoderText& e : kEncoders) {
        bytes += TextBytes(e.name) + TextBytes(L"") + TextBytes(e.description) + TextBytes(e.extension) +
                 TextBytes(e.mime);
    }
    return bytes;
}

const wchar_t* CopyText(const wchar_t* text, unsigned char*& cursor)
{
    const size_t bytes = TextBytes(text);
    std::memcpy(cursor, text, bytes);
    const auto* copied = reinterpret_cast<const wchar_t*>(cursor);
    cursor += bytes;
    return copied;
}

int QualityOf(const EncoderParameters* parameters)
{
    if (parameters == nullptr) {
        return kDefaultJpegQuality;
    }
    for (UINT i = 0; i < parameters->Count; ++i) {
        const EncoderParameter& p = parameters->Parameter[i];
        if (p.Guid == EncoderQuality && p.NumberOfValues >= 1 && p.Type == EncoderParameterValueTypeLong &&
            p.Value != nullptr) {
            return static_cast<int>(*static_cast<const ULONG*>(p.Value));
        }
    }
    return kDefaultJpegQuality;
}

bool Started()
{
    return g_startups > 0;
}

} // namespace

GpStatus GdiplusStartup(ULONG_PTR* token, const GdiplusStartupInput* input, GdiplusStartupOutput*)
{
    if (token == nullptr || input == nullptr || input->GdiplusVersion < 1 || input->GdiplusVersion > 3) {
        return InvalidParameter;
    }
    ++g_startups;
    *token = g_nextToken++;
    return Ok;
}

void GdiplusShutdown(ULONG_PTR token)
{
    if (token != 0 && g_startups > 0) {
        --g_startups;
    }
}

GpStatus GdipCreateBitmapFromHBITMAP(HBITMAP hbm, HPALETTE, GpBitmap** bitmap)
{
    if (!Started()) {
        return GdiplusNotInitialized;
    }
    if (bitmap == nullptr) {
        return InvalidParameter;
    }
    *bitmap = nullptr;
    BitmapObject* source = platform::LookupBitmap(hbm);
    if (source == nullptr) {
        return InvalidParameter;
    }
    auto* copy = new (std::nothrow) GpBitmap;
    if (copy == nullptr) {
        return OutOfMemory;
    }
    try {
        copy->vecBits = source->vecBits;
    } catch (const std::exception&) {
        delete copy;
        return OutOfMemory;
    }
    copy->nWidth = source->nWidth;
    copy->nHeight = source->nHeight;
    *bitmap = copy;
    return Ok;
}

GpStatus GdipDisposeImage(GpImage* image)
{
    if (!Started()) {
        return GdiplusNotInitialized;
    }
    if (image == nullptr) {
        return InvalidParameter;
    }
    delete image;
    return Ok;
}

GpStatus GdipGetImageEncodersSize(UINT* count, UINT* size)
{
    if (!Started()) {
        return GdiplusNotInitialized;
    }
    if (count == nullptr || size == nullptr) {
        return InvalidParameter;
    }
    *count = kEncoderCount;
    *size = static_cast<UINT>(EncoderBytes());
    return Ok;
}

GpStatus GdipGetImageEncoders(UINT count, UINT size, ImageCodecInfo* encoders)
{
    if (!Started()) {
        return GdiplusNotInitialized;
    }
    if (encoders == nullptr || count != kEncoderCount || size < EncoderBytes()) {
        return InvalidParameter;
    }
    auto* cursor = reinterpret_cast<unsigned char*>(encoders + kEncoderCount);
    for (UINT i = 0; i < kEncoderCount; ++i) {
        ImageCodecInfo& info = encoders[i];
        std::memset(&info, 0, sizeof(info));
        info.Clsid = *kEncoders[i].clsid;
        info.FormatID = *kEncoders[i].format;
        info.CodecName = CopyText(kEncoders[i].name, cursor);
        info.DllName = CopyText(L"", cursor);
        info.FormatDescription = CopyText(kEncoders[i].description, cursor);
        info.FilenameExtension = CopyText(kEncoders[i].extension, cursor);
        info.MimeType = CopyText(kEncoders[i].mime, cursor);
        info.Version = 1;
    }
    return Ok;
}

GpStatus GdipSaveImageToStream(GpImage* image, IStream* stream, const CLSID* encoder,
                               const EncoderParameters* parameters)
{
    if (!Started()) {
        return GdiplusNotInitialized;
    }
    auto* bitmap = dynamic_cast<GpBitmap*>(image);
    if (bitmap == nullptr || stream == nullptr || encoder == nullptr) {
        return InvalidParameter;
    }
    std::vector<unsigned char> bytes;
    bool encoded = false;
    if (*encoder == kJpegClsid) {
        const int quality = QualityOf(parameters);
        if (quality < 0 || quality > 100) {
            return InvalidParameter;
        }
        encoded = ImageCodec::EncodeJpeg(bitmap->vecBits.data(), bitmap->nWidth, bitmap->nHeight, quality, bytes);
    } else if (*encoder == kPngClsid) {
        encoded = ImageCodec::EncodePng(bitmap->vecBits.data(), bitmap->nWidth, bitmap->nHeight, bytes);
    } else {
        return UnknownImageFormat;
    }
    if (!encoded) {
        return GenericError;
    }
    ULONG written = 0;
    return SUCCEEDED(stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written)) &&
                   written == bytes.size()
               ? Ok
               : Win32Error;
}

GpStatus GdipCreateFromHDC(HDC hdc, GpGraphics** graphics)
{
    if (!Started()) {
        return GdiplusNotInitialized;
    }
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
    if (!Started()) {
        return GdiplusNotInitialized;
    }
    if (graphics == nullptr) {
        return InvalidParameter;
    }
    delete graphics;
    return Ok;
}

GpStatus GdipSetPixelOffsetMode(GpGraphics* graphics, PixelOffsetMode mode)
{
    if (!Started()) {
        return GdiplusNotInitialized;
    }
    if (graphics == nullptr || mode < PixelOffsetModeDefault || mode > PixelOffsetModeHalf) {
        return InvalidParameter;
    }
    graphics->mode = mode;
    return Ok;
}

GpStatus GdipCreateSolidFill(ARGB color, GpSolidFill** brush)
{
    if (!Started()) {
        return GdiplusNotInitialized;
    }
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
    if (!Started()) {
        return GdiplusNotInitialized;
    }
    if (brush == nullptr) {
        return InvalidParameter;
    }
    delete brush;
    return Ok;
}

GpStatus GdipFillRectangle(GpGraphics* graphics, GpBrush* brush, REAL x, REAL y, REAL width, REAL height)
{
    if (!Started()) {
        return GdiplusNotInitialized;
    }
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

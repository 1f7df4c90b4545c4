#include "printing/CUtil.h"

#include "platform/duilib/CRenderEngine.h"
#include "platform/win32/GdiPlus.h"

#include <cstdlib>
#include <cwchar>

bool CUtil::GetJPEG(HBITMAP bitmap, std::vector<unsigned char>& jpeg)
{
    jpeg.clear();
    if (bitmap == nullptr) {
        return false;
    }
    GpBitmap* image = nullptr;
    if (GdipCreateBitmapFromHBITMAP(bitmap, nullptr, &image) != Ok) {
        return false;
    }
    UINT count = 0;
    UINT size = 0;
    GdipGetImageEncodersSize(&count, &size);
    auto* encoders = size != 0 ? static_cast<ImageCodecInfo*>(std::malloc(size)) : nullptr;
    if (encoders == nullptr || GdipGetImageEncoders(count, size, encoders) != Ok) {
        std::free(encoders);
        GdipDisposeImage(reinterpret_cast<GpImage*>(image));
        return false;
    }
    const CLSID* jpegEncoder = nullptr;
    for (UINT i = 0; i < count && jpegEncoder == nullptr; ++i) {
        if (encoders[i].MimeType != nullptr && std::wcscmp(encoders[i].MimeType, L"image/jpeg") == 0) {
            jpegEncoder = &encoders[i].Clsid;
        }
    }
    IStream* stream = nullptr;
    if (jpegEncoder == nullptr || CreateStreamOnHGlobal(nullptr, TRUE, &stream) != S_OK) {
        std::free(encoders);
        GdipDisposeImage(reinterpret_cast<GpImage*>(image));
        return false;
    }
    GdipSaveImageToStream(reinterpret_cast<GpImage*>(image), stream, jpegEncoder, nullptr);
    STATSTG stat{};
    if (stream->Stat(&stat, STATFLAG_DEFAULT) == S_OK && stat.cbSize.u.LowPart != 0) {
        LARGE_INTEGER start{};
        stream->Seek(start, STREAM_SEEK_SET, nullptr);
        jpeg.resize(stat.cbSize.u.LowPart);
        ULONG read = 0;
        stream->Read(jpeg.data(), static_cast<ULONG>(jpeg.size()), &read);
        jpeg.resize(read);
    }
    stream->Release();
    std::free(encoders);
    GdipDisposeImage(reinterpret_cast<GpImage*>(image));
    // A save that failed leaves the stream empty: that is no JPEG.
    return !jpeg.empty();
}

HBITMAP CUtil::CreateBitmapFromJPEG(const unsigned char* data, DWORD length)
{
    return DuiLib::CRenderEngine::CreateBitmap(data, length);
}

#include "printing/CUtil.h"

#include "platform/duilib/CRenderEngine.h"
#include "platform/kmbase/KMBoundary.h"
#include "platform/kmbase/KMLastError.h"
#include "platform/win32/ImageCodec.h"
#include "platform/win32/WinGdi.h"

bool CUtil::GetJPEG(HBITMAP bitmap, std::vector<unsigned char>& jpeg)
try {
    KMLastError::Clear();
    jpeg.clear();
    const BitmapObject* source = platform::LookupBitmap(bitmap);
    if (source == nullptr) {
        KMLastError::Set(bitmap == nullptr ? "no bitmap" : "not a bitmap");
        return false;
    }
    return ImageCodec::EncodeJpeg(source->vecBits.data(), source->nWidth, source->nHeight, ImageCodec::kDocumentQuality, jpeg);
} catch (...) {
    return KMBoundary::Failed(false);
}

HBITMAP CUtil::CreateBitmapFromJPEG(const unsigned char* data, DWORD length)
try {
    KMLastError::Clear();
    HBITMAP bitmap = DuiLib::CRenderEngine::CreateBitmap(data, length);
    if (bitmap == nullptr) {
        KMLastError::SetIfNone("picture not decoded: out of memory");
    }
    return bitmap;
} catch (...) {
    return KMBoundary::Failed<HBITMAP>(nullptr);
}

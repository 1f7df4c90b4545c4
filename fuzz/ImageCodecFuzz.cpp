// Feeds arbitrary bytes to the picture decoders (JPEG through libjpeg-turbo, PNG through Cairo)
// the way a key image from a document reaches them, and encodes what decoded back to JPEG through
// GDI+, as a picture handed to a report is.
#include "platform/win32/GdiPlus.h"
#include "printing/CUtil.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // GDI+ stays started for the process, as a host keeps it.
    static const bool started = [] {
        ULONG_PTR token = 0;
        GdiplusStartupInput input;
        return GdiplusStartup(&token, &input, nullptr) == Ok;
    }();
    if (!started) {
        return 0;
    }
    if (size > 0xFFFFFFFFu) {
        return 0;
    }
    HBITMAP bitmap = CUtil::CreateBitmapFromJPEG(data, static_cast<DWORD>(size));
    if (bitmap != nullptr) {
        std::vector<unsigned char> jpeg;
        CUtil::GetJPEG(bitmap, jpeg);
        DeleteObject(bitmap);
    }
    return 0;
}

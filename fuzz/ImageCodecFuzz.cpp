// Feeds arbitrary bytes to the picture decoders (JPEG through libjpeg-turbo, PNG through Cairo)
// the way a key image from a document reaches them, and encodes what decoded back to JPEG, as a
// picture handed to a report is.
#include "printing/CUtil.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
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

// Feeds arbitrary bytes to the DICOM reader as a file, then reads the report's values from
// whatever loaded and copies it into a new report.
#include "platform/kmdicom/KMDcmSR.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const int fd = memfd_create("dicom", 0);
    if (fd < 0) {
        return 0;
    }
    if (write(fd, data, size) == static_cast<ssize_t>(size)) {
        const std::string path = "/proc/self/fd/" + std::to_string(fd);
        KMDcmSR sr;
        if (sr.LoadFile(path.c_str(), true)) {
            std::wstring text;
            sr.GetFinding(text);
            sr.GetAuthorObserverName(text);
            sr.GetVerifyingObserverName(text);
            sr.GetAcquisitionModality(text);
            sr.GetDataset()->GetString(0x00100010, text, 0);
            KMDcmDataset item;
            const unsigned char* bytes = nullptr;
            unsigned long length = 0;
            if (sr.GetDataset()->GetSequenceItem(0x00081140, item, 0)) {
                item.GetUint8Array(0x00420011, bytes, length);
            }
            KMDcmSR copy;
            copy.Copy(sr.GetDataset());
            copy.SetFinding(L"Befund: 结节");
            sr.IsVerified();
        }
    }
    close(fd);
    return 0;
}

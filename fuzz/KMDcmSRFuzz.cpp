// Feeds arbitrary bytes to the DICOM reader as a file, then reads the report's values and its
// content tree from whatever loaded, writes its fields as a person would, and copies it into a
// new report. Deep and wide trees come as seeds from scripts/fuzz.sh.
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
            sr.GetContentItems();
            sr.GetOtherContent();
            std::string reason;
            if (sr.CanSetValue(0x07211002, reason)) {
                sr.SetConclusion(L"Line one.\nLine two.");
            }
            sr.GetConclusion(text);
            KMDcmSR copy;
            copy.Copy(sr.GetDataset());
            copy.BeginAmendment();
            copy.SetFinding(L"Befund: 结节");
            copy.GetOtherContent();
            sr.IsVerified();
        }
    }
    close(fd);
    return 0;
}

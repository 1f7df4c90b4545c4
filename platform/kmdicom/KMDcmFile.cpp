#include "platform/kmdicom/KMDcmFile.h"

#include "platform/kmbase/KMFile.h"
#include "platform/kmbase/KMFileReplace.h"
#include "platform/kmbase/KMLastError.h"
#include "platform/kmdicom/KMDcmLog.h"
#include "platform/kmdicom/KMDcmTags.h"

#include <dcmtk/dcmdata/dcdatset.h>
#include <dcmtk/dcmdata/dcdeftag.h>
#include <dcmtk/dcmdata/dcfilefo.h>
#include <dcmtk/dcmdata/dcvr.h>
#include <dcmtk/dcmdata/dcxfer.h>

#include <unistd.h>

#include <cctype>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>

namespace {

unsigned Read16(const unsigned char* p, bool bigEndian)
{
    return bigEndian ? (p[0] << 8u) | p[1] : p[0] | (p[1] << 8u);
}

unsigned long Read32(const unsigned char* p, bool bigEndian)
{
    const unsigned long first = Read16(p, bigEndian);
    const unsigned long second = Read16(p + 2, bigEndian);
    return bigEndian ? (first << 16u) | second : first | (second << 16u);
}

// Whether the first element of a dataset without preamble could be real: an even group that is
// not the command group 0000 or the item group FFFE, followed by a known VR (explicit syntaxes)
// or by a length that the file of `size` bytes can hold (implicit syntax). A file of zeros or
// of text fails.
bool IsPlausibleFirstElement(const std::string& head, size_t size, bool bigEndian)
{
    if (head.size() < 8) {
        return false;
    }
    const auto* p = reinterpret_cast<const unsigned char*>(head.data());
    const unsigned group = Read16(p, bigEndian);
    if (group == 0x0000 || group == 0xFFFE || (group & 1u) != 0) {
        return false;
    }
    const char vrName[3] = {static_cast<char>(p[4]), static_cast<char>(p[5]), '\0'};
    if (std::isupper(p[4]) && std::isupper(p[5]) && DcmVR(vrName).isStandard()) {
        return true;
    }
    const unsigned long length = Read32(p + 4, bigEndian);
    return length == 0xFFFFFFFFul || length <= size - 8;
}

bool LooksLikeDicom(const std::string& head, size_t size)
{
    const size_t preamble = 128;
    if (head.size() >= preamble + 4 && std::memcmp(head.data() + preamble, "DICM", 4) == 0) {
        return true;
    }
    return IsPlausibleFirstElement(head, size, false) || IsPlausibleFirstElement(head, size, true);
}

} // namespace

KMDcmFile::KMDcmFile()
{
    const KMDcmLog quiet;
    Reset();
}

KMDcmFile::~KMDcmFile() = default;

void KMDcmFile::Reset()
{
    Adopt(std::make_unique<DcmFileFormat>());
}

void KMDcmFile::Adopt(std::unique_ptr<DcmFileFormat> file)
{
    m_pFile = std::move(file);
    m_dataset.Bind(m_pFile->getDataset(), m_pFile->getDataset());
}

bool KMDcmFile::LoadFile(const char* path, bool bLoadAll)
{
    KMLastError::Clear();
    const std::string name = path != nullptr ? path : "";
    int fd = -1;
    size_t size = 0;
    // Without bLoadAll the file may be of any size: only what comes before its pixel data is read.
    const KMFile::Error error = KMFile::Open(path, bLoadAll ? kMaxFileBytes : SIZE_MAX, LooksLikeDicom, fd, size);
    if (error == KMFile::Error::WrongKind) {
        KMLastError::Set("not a DICOM file: " + name);
        return false;
    }
    if (error != KMFile::Error::None) {
        KMLastError::Set("file not readable: " + name + ": " + KMFile::Reason(error));
        return false;
    }
    const KMDcmLog quiet;
    std::unique_ptr<DcmFileFormat> file(new (std::nothrow) DcmFileFormat);
    OFCondition status = EC_MemoryExhausted;
    if (file) {
        // DCMTK reads the file that was checked, by its descriptor's name, and so judges every
        // declared length against the bytes that are really there. Every value is then read, so
        // nothing is fetched from the file later; without bLoadAll reading stops where Pixel Data
        // begins, so that a large image costs no more than its attributes.
        const std::string opened = KMFile::DescriptorPath(fd);
        status = bLoadAll ? file->loadFile(opened.c_str(), EXS_Unknown, EGL_noChange, DCM_MaxReadLength, ERM_autoDetect)
                          : file->loadFileUntilTag(opened.c_str(), EXS_Unknown, EGL_noChange, DCM_MaxReadLength,
                                                   ERM_autoDetect, DCM_PixelData);
        if (status.good()) {
            status = file->loadAllDataIntoMemory();
        }
    }
    close(fd);
    if (!file || status.bad() || file->getDataset() == nullptr || file->getDataset()->card() == 0) {
        KMLastError::Set("not a DICOM file: " + name + (status.bad() ? std::string(": ") + status.text() : ": no elements"));
        return false;
    }
    Adopt(std::move(file));
    MarkInstanceKept();
    return true;
}

bool KMDcmFile::SaveFile(const char* path)
{
    KMLastError::Clear();
    const KMDcmLog quiet;
    KMFileReplace replace;
    const std::string name = path != nullptr ? path : "";
    KMFile::Error error = replace.Begin(path);
    if (error == KMFile::Error::None) {
        const OFCondition written = m_pFile->saveFile(replace.TemporaryPath().c_str(), EXS_LittleEndianExplicit);
        if (written.bad()) {
            KMLastError::Set("file not written: " + name + ": " + written.text());
            return false;
        }
        error = replace.Commit();
    }
    if (error != KMFile::Error::None) {
        KMLastError::Set("file not written: " + name + ": " + KMFile::Reason(error));
        return false;
    }
    MarkInstanceKept();
    return true;
}

bool KMDcmFile::IsInstanceKept() const
{
    std::string uid;
    return !m_strKeptUID.empty() && m_dataset.GetUID(KMDcmTag::SOPInstanceUID, uid) && uid == m_strKeptUID;
}

void KMDcmFile::MarkInstanceKept()
{
    std::string uid;
    m_strKeptUID = m_dataset.GetUID(KMDcmTag::SOPInstanceUID, uid) ? uid : "";
}

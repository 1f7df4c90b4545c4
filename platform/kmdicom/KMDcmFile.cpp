#include "platform/kmdicom/KMDcmFile.h"

#include "platform/kmbase/KMFile.h"
#include "platform/kmbase/KMFileReplace.h"
#include "platform/kmbase/KMLastError.h"
#include "platform/kmdicom/KMDcmDeepStack.h"
#include "platform/kmdicom/KMDcmLog.h"
#include "platform/kmdicom/KMDcmWalk.h"

#include <dcmtk/dcmdata/dcdatset.h>
#include <dcmtk/dcmdata/dcdeftag.h>
#include <dcmtk/dcmdata/dcfilefo.h>
#include <dcmtk/dcmdata/dcistrmf.h>
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

// DCMTK's file stream, which stops giving bytes once the reading thread's stack is nearly spent,
// so that a file nested deeper than the stack can hold ends in a failed read, not in a crash.
// Every level of nesting reads its tag through here, whatever filter (deflate) lies below.
class GuardedFileStream : public DcmInputStream {
public:
    explicit GuardedFileStream(const OFFilename& name) : DcmInputStream(&m_producer), m_producer(name), m_name(name) {}

    bool IsStopped() const { return m_bStopped; }

    OFBool good() const override { return !m_bStopped && DcmInputStream::good(); }
    OFCondition status() const override { return m_bStopped ? OFCondition(EC_InvalidStream) : DcmInputStream::status(); }
    OFBool eos() override { return Stop() || DcmInputStream::eos(); }
    offile_off_t avail() override { return Stop() ? 0 : DcmInputStream::avail(); }
    offile_off_t read(void* buffer, offile_off_t length) override { return Stop() ? 0 : DcmInputStream::read(buffer, length); }
    offile_off_t skip(offile_off_t length) override { return Stop() ? 0 : DcmInputStream::skip(length); }
    DcmInputStreamFactory* newFactory() const override { return new DcmInputFileStreamFactory(m_name, tell()); }

private:
    bool Stop()
    {
        m_bStopped = m_bStopped || KMDcmDeepStack::IsNearlySpent();
        return m_bStopped;
    }

    DcmFileProducer m_producer;
    OFFilename m_name;
    bool m_bStopped = false;
};

// Reads the file named `name` as DcmFileFormat::loadFile does (or up to its pixel data), through
// the guarded stream. Runs on a KMDcmDeepStack thread; on failure nothing is kept and `reason`
// says why.
std::unique_ptr<DcmFileFormat> ReadFile(const std::string& name, bool bLoadAll, std::string& reason)
{
    std::unique_ptr<DcmFileFormat> file(new (std::nothrow) DcmFileFormat);
    if (!file) {
        reason = OFCondition(EC_MemoryExhausted).text();
        return nullptr;
    }
    GuardedFileStream stream(OFFilename(name.c_str()));
    OFCondition status = stream.status();
    if (status.good()) {
        file->transferInit();
        // Every value is then read, so nothing is fetched from the file later; without bLoadAll
        // reading stops where Pixel Data begins, so that a large image costs no more than its
        // attributes.
        status = bLoadAll ? file->read(stream, EXS_Unknown, EGL_noChange, DCM_MaxReadLength)
                          : file->readUntilTag(stream, EXS_Unknown, EGL_noChange, DCM_MaxReadLength, DCM_PixelData);
        file->transferEnd();
    }
    if (status.good()) {
        status = file->loadAllDataIntoMemory();
    }
    if (stream.IsStopped()) {
        reason = KMDcmFile::TooDeepReason();
    } else if (status.bad()) {
        reason = status.text();
    } else if (file->getDataset() == nullptr || file->getDataset()->card() == 0) {
        reason = "no elements";
    } else {
        return file;
    }
    return nullptr;
}

} // namespace

KMDcmFile::KMDcmFile()
{
    const KMDcmLog quiet;
    Reset();
}

KMDcmFile::~KMDcmFile()
{
    Free(std::move(m_pFile), m_shared.nDepth);
}

std::string KMDcmFile::TooDeepReason()
{
    return "nested deeper than " + std::to_string(KMDcmDeepStack::kMaxDepth) + " levels";
}

void KMDcmFile::Free(std::unique_ptr<DcmFileFormat> file, int depth)
{
    // Freed where its depth is safe; should no such thread start, it is leaked rather than
    // freed where it would overflow the stack.
    DcmFileFormat* raw = file.release();
    if (raw != nullptr) {
        KMDcmDeepStack::RunFor(depth, [raw] { delete raw; });
    }
}

void KMDcmFile::Reset()
{
    Adopt(std::make_unique<DcmFileFormat>());
}

void KMDcmFile::Adopt(std::unique_ptr<DcmFileFormat> file)
{
    const int oldDepth = m_shared.nDepth;
    std::swap(m_pFile, file);
    ++m_shared.nContentChanges;
    m_dataset.Bind(m_pFile->getDataset(), m_pFile->getDataset(), &m_shared);
    Free(std::move(file), oldDepth);
}

void KMDcmFile::Take(KMDcmFile& other)
{
    if (&other == this) {
        return;
    }
    std::unique_ptr<DcmFileFormat> taken(std::move(other.m_pFile));
    other.Reset();
    Adopt(std::move(taken));
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
    const std::string opened = KMFile::DescriptorPath(fd);
    std::unique_ptr<DcmFileFormat> file;
    std::string reason = "no thread to read it on";
    int depth = 0;
    // DCMTK reads the file that was checked, by its descriptor's name, and so judges every
    // declared length against the bytes that are really there. It reads by recursion, on a
    // stack deep enough for any dataset that is not refused.
    KMDcmDeepStack::Run([&] {
        const KMDcmLog quiet;
        file = ReadFile(opened, bLoadAll, reason);
        if (file) {
            depth = KMDcmWalk::ForEachElement(*file->getDataset(), [](DcmItem&, DcmElement&, int) {});
        }
        if (depth > KMDcmDeepStack::kMaxDepth) {
            file.reset();
            reason = TooDeepReason();
        }
    });
    close(fd);
    if (!file) {
        KMLastError::Set((reason == TooDeepReason() ? "file not readable: " : "not a DICOM file: ") + name + ": " + reason);
        return false;
    }
    const KMDcmLog quiet;
    Adopt(std::move(file));
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
        OFCondition written = EC_IllegalCall;
        KMDcmDeepStack::RunFor(m_shared.nDepth, [&] {
            written = m_pFile->saveFile(replace.TemporaryPath().c_str(), EXS_LittleEndianExplicit, EET_UndefinedLength, EGL_withoutGL);
        });
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
    return true;
}

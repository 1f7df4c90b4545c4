#include "platform/kmdicom/KMDcmIO.h"

#include "platform/kmbase/KMFile.h"
#include "platform/kmbase/KMFileReplace.h"
#include "platform/kmdicom/KMDcmDeepStack.h"
#include "platform/kmdicom/KMDcmLog.h"
#include "platform/kmdicom/KMDcmWalk.h"

#include <dcmtk/dcmdata/dcdatset.h>
#include <dcmtk/dcmdata/dcdeftag.h>
#include <dcmtk/dcmdata/dcfilefo.h>
#include <dcmtk/dcmdata/dcistrmf.h>
#include <dcmtk/dcmdata/dcostrma.h>
#include <dcmtk/dcmdata/dcvr.h>
#include <dcmtk/dcmdata/dcwcache.h>
#include <dcmtk/dcmdata/dcxfer.h>

#include <sys/mman.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <functional>
#include <new>

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

// The end of DCMTK's output chain: buffers what DCMTK writes and hands it on in large blocks to
// a sink that says whether it took them. After a refusal the stream is bad and takes nothing.
class SinkConsumer : public DcmConsumer {
public:
    using Sink = std::function<bool(const char*, size_t)>;
    explicit SinkConsumer(Sink sink) : m_sink(std::move(sink)) { m_strBuffer.reserve(kBlock); }

    OFBool good() const override { return m_bGood; }
    OFCondition status() const override { return m_bGood ? EC_Normal : EC_InvalidStream; }
    OFBool isFlushed() const override { return m_strBuffer.empty(); }
    offile_off_t avail() const override { return m_bGood ? kBlock : 0; }

    offile_off_t write(const void* buf, offile_off_t buflen) override
    {
        if (!m_bGood) {
            return 0;
        }
        m_strBuffer.append(static_cast<const char*>(buf), static_cast<size_t>(buflen));
        if (m_strBuffer.size() >= kBlock) {
            flush();
        }
        return m_bGood ? buflen : 0;
    }

    void flush() override
    {
        if (m_bGood && !m_strBuffer.empty()) {
            m_bGood = m_sink(m_strBuffer.data(), m_strBuffer.size());
        }
        m_strBuffer.clear();
    }

private:
    static constexpr offile_off_t kBlock = 256 * 1024;
    Sink m_sink;
    std::string m_strBuffer;
    bool m_bGood = true;
};

class SinkStream : public DcmOutputStream {
public:
    explicit SinkStream(DcmConsumer& consumer) : DcmOutputStream(&consumer) {}
};

// Encodes `file` into `sink`; the reason is DCMTK's when the dataset cannot be encoded, and
// empty when the sink refused (its owner knows why).
bool Encode(DcmFileFormat& file, const SinkConsumer::Sink& sink, std::string& reason)
{
    const KMDcmLog quiet;
    SinkConsumer consumer(sink);
    SinkStream stream(consumer);
    DcmWriteCache cache;
    file.transferInit();
    // Without the retired group lengths of the dataset: recalculating them walks every level's
    // whole subtree, quadratic in how deeply a dataset nests.
    OFCondition status = file.write(stream, EXS_LittleEndianExplicit, EET_UndefinedLength, &cache, EGL_withoutGL);
    file.transferEnd();
    stream.flush();
    if (!consumer.good()) {
        reason.clear();
        return false;
    }
    if (status.bad()) {
        reason = status.text();
        return false;
    }
    return true;
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

std::string TooDeepReason()
{
    return "nested deeper than " + std::to_string(KMDcmDeepStack::kMaxDepth) + " levels";
}

// Reads the file named `name` as DcmFileFormat::loadFile does (or up to its pixel data), through
// the guarded stream, on a KMDcmDeepStack thread. On failure nothing is kept (it is freed on that
// thread) and `reason` says why.
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
        reason = TooDeepReason();
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

std::unique_ptr<DcmFileFormat> KMDcmIO::Load(const char* path, bool bLoadAll, size_t limit, std::string& reason)
{
    return LoadNamed(path, path != nullptr ? path : "", bLoadAll, limit, reason);
}

std::unique_ptr<DcmFileFormat> KMDcmIO::LoadBytes(const void* data, size_t size, size_t limit, std::string& reason)
{
    const std::string name = "the buffer";
    if (data == nullptr || size == 0 || size > limit) {
        reason = "file not readable: " + name + ": " + (data == nullptr ? "no bytes" : size == 0 ? "empty file" : "file too large");
        return nullptr;
    }
    const int fd = memfd_create("srctrl-document", MFD_CLOEXEC);
    if (fd < 0) {
        reason = "file not readable: " + name + ": " + std::strerror(errno);
        return nullptr;
    }
    const char* bytes = static_cast<const char*>(data);
    for (size_t done = 0; done < size;) {
        const ssize_t n = write(fd, bytes + done, size - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            reason = "file not readable: " + name + ": " + std::strerror(n < 0 ? errno : ENOSPC);
            close(fd);
            return nullptr;
        }
        done += static_cast<size_t>(n);
    }
    auto file = LoadNamed(KMFile::DescriptorPath(fd).c_str(), name, true, limit, reason);
    close(fd);
    return file;
}

std::unique_ptr<DcmFileFormat> KMDcmIO::LoadNamed(const char* path, const std::string& name, bool bLoadAll, size_t limit,
                                                  std::string& reason)
{
    int fd = -1;
    size_t size = 0;
    const KMFile::Error error = KMFile::Open(path, bLoadAll ? limit : SIZE_MAX, LooksLikeDicom, fd, size);
    if (error == KMFile::Error::WrongKind) {
        reason = "not a DICOM file: " + name;
        return nullptr;
    }
    if (error != KMFile::Error::None) {
        reason = "file not readable: " + name + ": " + KMFile::Reason(error);
        return nullptr;
    }
    const std::string opened = KMFile::DescriptorPath(fd);
    std::unique_ptr<DcmFileFormat> file;
    std::string why = "no thread to read it on";
    // DCMTK reads the file that was checked, by its descriptor's name, and so judges every
    // declared length against the bytes that are really there. It reads by recursion, on a stack
    // deep enough for any dataset that is not refused.
    KMDcmDeepStack::Run([&] {
        const KMDcmLog quiet;
        file = ReadFile(opened, bLoadAll, why);
        if (file && KMDcmWalk::ForEachElement(*file->getDataset(), [](DcmItem&, DcmElement&, int) {}) >
                        KMDcmDeepStack::kMaxDepth) {
            file.reset();
            why = TooDeepReason();
        }
    });
    close(fd);
    if (!file) {
        reason = (why == TooDeepReason() ? "file not readable: " : "not a DICOM file: ") + name + ": " + why;
        return nullptr;
    }
    return file;
}

bool KMDcmIO::Write(DcmFileFormat& file, KMFileReplace& out, std::string& reason)
{
    if (Encode(file, [&out](const char* data, size_t size) { return out.Write(data, size); }, reason)) {
        return true;
    }
    if (reason.empty()) {
        reason = out.Reason();
    }
    return false;
}

bool KMDcmIO::Write(DcmFileFormat& file, std::string& bytes, std::string& reason)
{
    std::string encoded;
    const bool written = Encode(
        file,
        [&encoded](const char* data, size_t size) {
            encoded.append(data, size);
            return true;
        },
        reason);
    if (written) {
        bytes.swap(encoded);
    }
    return written;
}

bool KMDcmIO::Save(DcmFileFormat& file, const char* path, std::string& reason)
{
    const std::string name = path != nullptr ? path : "";
    KMFileReplace replace;
    std::string why;
    const bool saved = replace.Begin(path) == KMFile::Error::None && Write(file, replace, why) &&
                       replace.Commit() == KMFile::Error::None;
    if (!saved) {
        reason = "file not written: " + name + ": " + (why.empty() ? replace.Reason() : why);
    }
    return saved;
}

#include "platform/kmdicom/KMDcmFile.h"

#include "platform/kmbase/KMBoundary.h"
#include "platform/kmbase/KMLastError.h"
#include "platform/kmdicom/KMDcmDeepStack.h"
#include "platform/kmdicom/KMDcmIO.h"
#include "platform/kmdicom/KMDcmLog.h"
#include "platform/kmdicom/KMDcmTags.h"

#include <dcmtk/dcmdata/dcfilefo.h>

#include <string>

KMDcmFile::KMDcmFile()
{
    const KMDcmLog quiet;
    Reset();
}

KMDcmFile::~KMDcmFile()
{
    KMDcmDeepStack::Delete(std::move(m_pFile), m_shared.nDepth);
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
    KMDcmDeepStack::Delete(std::move(file), oldDepth);
}

void KMDcmFile::Take(KMDcmFile& other)
{
    if (&other == this) {
        return;
    }
    std::unique_ptr<DcmFileFormat> taken(std::move(other.m_pFile));
    const std::string kept = other.m_strKeptUID;
    other.Reset();
    other.m_strKeptUID.clear();
    Adopt(std::move(taken));
    m_strKeptUID = kept;
}

bool KMDcmFile::LoadFile(const char* path, bool bLoadAll)
try {
    KMLastError::Clear();
    std::string reason;
    return Loaded(KMDcmIO::Load(path, bLoadAll, kMaxFileBytes, reason), reason);
} catch (...) {
    return KMBoundary::Failed(false);
}

bool KMDcmFile::LoadFromBuffer(const void* data, size_t size)
try {
    KMLastError::Clear();
    std::string reason;
    return Loaded(KMDcmIO::LoadBytes(data, size, kMaxFileBytes, reason), reason);
} catch (...) {
    return KMBoundary::Failed(false);
}

bool KMDcmFile::Loaded(std::unique_ptr<DcmFileFormat> file, const std::string& reason)
{
    if (!file) {
        KMLastError::Set(reason);
        return false;
    }
    const KMDcmLog quiet;
    Adopt(std::move(file));
    MarkInstanceKept();
    return true;
}

bool KMDcmFile::SaveFile(const char* path)
try {
    KMLastError::Clear();
    std::string reason = "file not written: no thread to write it on";
    bool saved = false;
    // DCMTK writes by recursion, as deeply as the dataset nests.
    KMDcmDeepStack::RunFor(m_shared.nDepth, [&] { saved = KMDcmIO::Save(*m_pFile, path, reason); });
    if (!saved) {
        KMLastError::Set(reason);
        return false;
    }
    MarkInstanceKept();
    return true;
} catch (...) {
    return KMBoundary::Failed(false);
}

bool KMDcmFile::SaveToBuffer(std::string& bytes)
try {
    KMLastError::Clear();
    std::string reason = "no thread to encode it on";
    bool written = false;
    KMDcmDeepStack::RunFor(m_shared.nDepth, [&] { written = KMDcmIO::Write(*m_pFile, bytes, reason); });
    if (!written) {
        KMLastError::Set("document not encoded: " + reason);
        return false;
    }
    return true;
} catch (...) {
    return KMBoundary::Failed(false);
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

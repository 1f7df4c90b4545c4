#include "platform/kmdicom/KMDcmFile.h"

#include "platform/kmbase/KMLastError.h"
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
    std::string reason;
    std::unique_ptr<DcmFileFormat> file = KMDcmIO::Load(path, bLoadAll, kMaxFileBytes, reason);
    if (!file) {
        KMLastError::Set(reason);
        return false;
    }
    Adopt(std::move(file));
    MarkInstanceKept();
    return true;
}

bool KMDcmFile::SaveFile(const char* path)
{
    KMLastError::Clear();
    std::string reason;
    if (!KMDcmIO::Save(*m_pFile, path, reason)) {
        KMLastError::Set(reason);
        return false;
    }
    MarkInstanceKept();
    return true;
}

bool KMDcmFile::SaveToBuffer(std::string& bytes)
{
    KMLastError::Clear();
    std::string reason;
    if (!KMDcmIO::Write(*m_pFile, bytes, reason)) {
        KMLastError::Set("document not encoded: " + reason);
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

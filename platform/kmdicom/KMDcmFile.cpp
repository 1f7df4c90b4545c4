#include "platform/kmdicom/KMDcmFile.h"

#include "platform/kmdicom/KMDcmLog.h"

#include <dcmtk/dcmdata/dcdatset.h>
#include <dcmtk/dcmdata/dcfilefo.h>
#include <dcmtk/dcmdata/dcxfer.h>

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <new>
#include <string>

namespace {

std::string TemporaryPathBeside(const char* path)
{
    static std::atomic<unsigned> counter{0};
    return std::string(path) + ".tmp." + std::to_string(getpid()) + "." + std::to_string(counter++);
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
    if (path == nullptr || *path == '\0') {
        return false;
    }
    const KMDcmLog quiet;
    std::unique_ptr<DcmFileFormat> file(new (std::nothrow) DcmFileFormat);
    if (!file || file->loadFile(path, EXS_Unknown, EGL_noChange, DCM_MaxReadLength, ERM_autoDetect).bad()) {
        return false;
    }
    // Values past DCM_MaxReadLength are only read on use; reading them now reveals a file that
    // ends before its declared lengths do.
    if (bLoadAll && file->loadAllDataIntoMemory().bad()) {
        return false;
    }
    if (file->getDataset() == nullptr || file->getDataset()->card() == 0) {
        return false;
    }
    Adopt(std::move(file));
    return true;
}

bool KMDcmFile::SaveFile(const char* path)
{
    if (path == nullptr || *path == '\0') {
        return false;
    }
    const KMDcmLog quiet;
    const std::string temporary = TemporaryPathBeside(path);
    const OFCondition status = m_pFile->saveFile(temporary.c_str(), EXS_LittleEndianExplicit);
    if (status.bad() || std::rename(temporary.c_str(), path) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

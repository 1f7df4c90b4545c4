#pragma once

#include "platform/Export.h"
#include "platform/kmdicom/KMDcmDataset.h"

#include <memory>

class DcmFileFormat;

// A DICOM file held in memory: its dataset and, once loaded or saved, its file meta header.
// Built empty. Not copyable: views and lent values point into it.
class SRCTRL_API KMDcmFile {
public:
    KMDcmFile();
    virtual ~KMDcmFile();
    KMDcmFile(const KMDcmFile&) = delete;
    KMDcmFile& operator=(const KMDcmFile&) = delete;

    // Replaces the content by the DICOM file at `path`: a Part 10 file or a bare dataset, in any
    // transfer syntax that DCMTK reads. With `bLoadAll` every value is read into memory, so the
    // file may be removed afterwards; otherwise large values are read when first used. A
    // missing, empty, truncated or malformed file gives false and leaves the content unchanged.
    virtual bool LoadFile(const char* path, bool bLoadAll = true);

    // Writes the content as a Part 10 file in explicit VR little endian, with a meta header made
    // from the dataset's SOP Class and SOP Instance UIDs. The file is written beside `path` and
    // renamed over it only when complete. False on any failure; an existing file at `path` is
    // then left as it was.
    bool SaveFile(const char* path);

    // The dataset, valid for the object's lifetime (also across LoadFile).
    KMDcmDataset* GetDataset() { return &m_dataset; }
    const KMDcmDataset* GetDataset() const { return &m_dataset; }

protected:
    // Replaces the content with an empty dataset.
    void Reset();

private:
    void Adopt(std::unique_ptr<DcmFileFormat> file);

    std::unique_ptr<DcmFileFormat> m_pFile;
    KMDcmDataset m_dataset;
};

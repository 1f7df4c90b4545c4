#pragma once

#include "platform/Export.h"
#include "platform/kmdicom/KMDcmDataset.h"

#include <cstddef>
#include <memory>
#include <string>

class DcmFileFormat;

// A DICOM file held in memory: its dataset and, once loaded or saved, its file meta header.
// Built empty. Not copyable: views and lent values point into it.
class SRCTRL_API KMDcmFile {
public:
    KMDcmFile();
    virtual ~KMDcmFile();
    KMDcmFile(const KMDcmFile&) = delete;
    KMDcmFile& operator=(const KMDcmFile&) = delete;

    // Replaces the content by the DICOM file at `path`: a file with the "DICM" preamble or a bare
    // dataset that starts with a plausible element (an even group other than 0000 and FFFE with a
    // known VR or a length that fits the file), in any transfer syntax that DCMTK reads. What is
    // read, at most kMaxFileBytes, is held in memory, so the file may be removed afterwards. With
    // `bLoadAll` the whole file is read; without it reading stops where Pixel Data (7FE0,0010)
    // begins, so an image of any size gives its attributes for the cost of reading them. A
    // missing, empty, not regular (a FIFO is refused without waiting), too large, truncated,
    // malformed or non-DICOM file gives false and leaves the content unchanged; SrCtrlGetLastError
    // then says "file not readable: PATH: REASON" (KMFile's reasons, or TooDeepReason for a
    // dataset nested deeper than KMDcmDeepStack::kMaxDepth levels, which is refused whole, on any
    // stack) or "not a DICOM file: PATH: REASON" (DCMTK's reason).
    virtual bool LoadFile(const char* path, bool bLoadAll = true);
    static constexpr size_t kMaxFileBytes = 512u * 1024u * 1024u;
    // "nested deeper than N levels".
    static std::string TooDeepReason();

    // Writes the content as a Part 10 file in explicit VR little endian, with a meta header made
    // from the dataset's SOP Class and SOP Instance UIDs, replacing `path` as KMFileReplace does:
    // a link keeps pointing at the new file, the file keeps its permissions, a folder, FIFO or
    // device is refused. False on any failure; an existing file at `path` is then left as it was,
    // and SrCtrlGetLastError says "file not written: PATH: REASON".
    bool SaveFile(const char* path);

    // The dataset, valid for the object's lifetime (also across LoadFile).
    KMDcmDataset* GetDataset() { return &m_dataset; }
    const KMDcmDataset* GetDataset() const { return &m_dataset; }

    // Takes over what `other` holds (which is left empty), as loading it again would.
    void Take(KMDcmFile& other);

protected:
    // Replaces the content with an empty dataset.
    void Reset();
    // How often the SR content of the dataset may have changed since this file was made: a
    // model of the content tree reads it again when this moves.
    unsigned long GetContentChanges() const { return m_shared.nContentChanges; }
    // How deeply the dataset nests (KMDcmDeepStack), as far as the file knows.
    int GetDepth() const { return m_shared.nDepth; }

private:
    void Adopt(std::unique_ptr<DcmFileFormat> file);
    // Frees a file's elements where DCMTK's recursion over `depth` levels is safe.
    static void Free(std::unique_ptr<DcmFileFormat> file, int depth);

    std::unique_ptr<DcmFileFormat> m_pFile;
    KMDcmDataset::Shared m_shared;
    KMDcmDataset m_dataset;
};

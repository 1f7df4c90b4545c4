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
    // then says "file not readable: PATH: REASON" (KMFile's reasons, or "nested deeper than 16384
    // levels" for a dataset nested deeper than KMDcmDeepStack::kMaxDepth, which is refused whole,
    // on any stack) or "not a DICOM file: PATH[: REASON]" (DCMTK's reason).
    virtual bool LoadFile(const char* path, bool bLoadAll = true);
    static constexpr size_t kMaxFileBytes = 512u * 1024u * 1024u;
    // The same from `size` bytes in memory (what SaveToBuffer gives, or a host's own encoding),
    // which are only read: no file is written. The same checks and failures, the bytes named
    // "the buffer" in the reason ("not a DICOM file: the buffer: ..."). The document counts as
    // kept elsewhere, as a file read does.
    bool LoadFromBuffer(const void* data, size_t size);

    // Writes the content as a Part 10 file in explicit VR little endian, with a meta header made
    // from the dataset's SOP Class and SOP Instance UIDs, replacing `path` in one step: the bytes
    // go to a new file beside it, every write, the sync and the close are checked, and only then
    // is it renamed over `path`. A link keeps pointing at the new file; the file keeps its mode,
    // owner and group (a new one gets 0666 less the umask); a folder, FIFO or device is refused.
    // False on any failure (a full disk included); an existing file at `path` is then left byte
    // for byte and no temporary file stays, and SrCtrlGetLastError says "file not written: PATH:
    // REASON", such as "write error: No space left on device".
    bool SaveFile(const char* path);

    // The same Part 10 bytes in memory, replacing `bytes`. False, with `bytes` unchanged and
    // SrCtrlGetLastError "document not encoded: REASON", when DCMTK cannot encode the dataset.
    // Encoding is not keeping: a caller that stores or sends the bytes says so with
    // MarkInstanceKept (a private copy, such as an editor's recovery copy, does not).
    bool SaveToBuffer(std::string& bytes);

    // Whether the instance that the dataset holds, by its SOP Instance UID, is kept outside this
    // object: LoadFile read it, SaveFile wrote it, or MarkInstanceKept was told so. Such an
    // instance must not change under its UID: the report control gives the document a new
    // version before it changes it (KMDcmSR::StartNewVersion). A new UID in the dataset makes
    // the answer false until that instance is kept in turn.
    bool IsInstanceKept() const;
    // The instance as the dataset holds it now is kept elsewhere (stored or sent by other means).
    void MarkInstanceKept();

    // The dataset, valid for the object's lifetime (also across LoadFile).
    KMDcmDataset* GetDataset() { return &m_dataset; }
    const KMDcmDataset* GetDataset() const { return &m_dataset; }

    // Takes over what `other` holds, kept instance included (`other` is left empty), as loading
    // its file again would.
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
    // Holds a file just read as the kept content; false, with `reason` as the last error, for none.
    bool Loaded(std::unique_ptr<DcmFileFormat> file, const std::string& reason);

    std::unique_ptr<DcmFileFormat> m_pFile;
    KMDcmDataset::Shared m_shared;
    KMDcmDataset m_dataset;
    // The SOP Instance UID of the instance last kept; empty before one.
    std::string m_strKeptUID;
};

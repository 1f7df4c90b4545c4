#pragma once

#include <cstddef>
#include <memory>
#include <string>

class DcmFileFormat;
class KMFileReplace;

// DICOM files read through the checked file reader and written through the one file-replacing
// writer. The control's documents and the command-line tools both go through it, so every DICOM
// file the product reads is bounded and every one it writes is complete or not there at all.
class KMDcmIO {
public:
    // The DICOM file at `path`: a file with the "DICM" preamble or a bare dataset that starts
    // with a plausible element, of at most `limit` bytes, in any transfer syntax DCMTK reads.
    // Anything else is refused from its first bytes, whatever its size, and a FIFO or device is
    // refused without waiting. With `bLoadAll` every value is read into memory; without it
    // reading stops where Pixel Data begins (the size limit then does not apply). DCMTK reads by
    // recursion: the file is read on a thread of KMDcmDeepStack, and a dataset nested deeper than
    // KMDcmDeepStack::kMaxDepth is refused ("nested deeper than 16384 levels"); the caller frees
    // what it gets where its depth is safe. Null on failure, with `reason` "file not readable:
    // PATH: WHY" or "not a DICOM file: PATH[: WHY]".
    static std::unique_ptr<DcmFileFormat> Load(const char* path, bool bLoadAll, size_t limit, std::string& reason);
    // The same from the `size` bytes at `data` (a Part 10 file or a bare dataset), read with the
    // same checks through an anonymous memory file, never a file on disk; reasons name the
    // bytes "the buffer".
    static std::unique_ptr<DcmFileFormat> LoadBytes(const void* data, size_t size, size_t limit, std::string& reason);

    // Writes `file` as a Part 10 file in explicit VR little endian, with a meta header made from
    // its dataset's SOP Class and SOP Instance UIDs, into a replacement the caller has begun and
    // will commit. False when DCMTK cannot encode the dataset or a write fails, with `reason`
    // naming the cause ("write error: No space left on device").
    static bool Write(DcmFileFormat& file, KMFileReplace& out, std::string& reason);

    // The same bytes in memory.
    static bool Write(DcmFileFormat& file, std::string& bytes, std::string& reason);

    // Writes `file` as the new content of `path` in one step (Write, then Commit). False on any
    // failure, with `reason` "file not written: PATH: WHY"; the old file is then unchanged.
    static bool Save(DcmFileFormat& file, const char* path, std::string& reason);

private:
    // Load, with reasons naming the file `name`.
    static std::unique_ptr<DcmFileFormat> LoadNamed(const char* path, const std::string& name, bool bLoadAll, size_t limit,
                                                    std::string& reason);
};

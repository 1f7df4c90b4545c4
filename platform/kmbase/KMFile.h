#pragma once

#include "platform/Export.h"

#include <cstddef>
#include <string>

// Reading the files that hosts name: templates, logo images, DICOM files. Only a regular file (or
// a link to one) is read, and only up to a size that the caller sets for its kind of file, so a
// FIFO, a device or a huge file never blocks or exhausts the control.
class SRCTRL_API KMFile {
public:
    // Why a file could not be read or replaced. Reason gives each one as text.
    enum class Error {
        None,
        BadPath,       // "no file name": null or empty path
        NotFound,      // "no such file": missing file, missing folder or a link to nothing
        NotRegular,    // "not a regular file": a folder, FIFO, socket or device
        Empty,         // "empty file"
        TooLarge,      // "file too large": larger than the caller's limit
        OpenFailed,    // "cannot open": permission or another system refusal
        ReadFailed,    // "read error": an I/O error, no memory for the content, or the file shrank
        WrongKind,     // "not a file of the expected kind": refused by the caller's check
        CreateFailed,  // "cannot create a file beside the target"
        WriteFailed,   // "write error": the writer failed, or the data could not reach the disk
        RenameFailed,  // "cannot replace the target"
    };

    // A short English text for `error`, for logs and messages.
    static const char* Reason(Error error);

    // Whether the start of a file (its first kHeadBytes bytes, or all of a shorter file) can
    // begin a file of the kind the caller reads; `size` is the whole file's size.
    using HeadCheck = bool (*)(const std::string& head, size_t size);
    static constexpr size_t kHeadBytes = 132;  // a DICOM preamble and its "DICM" mark

    // Reads the whole regular file at `path`, after following links, when it holds from 1 to
    // `limit` bytes and `accept` (when given) takes its head; a refused head ends the read before
    // the rest of the file is touched. The file is opened without blocking and checked on the
    // opened descriptor, so nothing can be swapped in between the check and the read. On failure
    // `bytes` is left unchanged.
    static Error Read(const char* path, size_t limit, std::string& bytes, HeadCheck accept = nullptr);

    // Opens the same files under the same checks, for a reader that takes a file name (such as
    // DCMTK's): the checked file stays open as `fd`, at its start, with its `size`, and
    // DescriptorPath(fd) names exactly that file, so nothing can be swapped in between the check
    // and the read. The caller closes `fd`. On failure nothing is left open.
    static Error Open(const char* path, size_t limit, HeadCheck accept, int& fd, size_t& size);
    static std::string DescriptorPath(int fd);
};

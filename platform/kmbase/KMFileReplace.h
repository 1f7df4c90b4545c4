#pragma once

#include "platform/Export.h"
#include "platform/kmbase/KMFile.h"

#include <string>

// Replaces a file as one step: the new content is written to a fresh file beside the target and
// renamed over it only when complete and on disk, so a reader sees either the old file or the
// whole new one, and a failure leaves the old file as it was.
//
//   KMFileReplace replace;
//   if (replace.Begin(path) == KMFile::Error::None && Write(replace.TemporaryPath()))
//       ok = replace.Commit() == KMFile::Error::None;
//
// A link is followed: the file it points to is replaced and the link stays. The new file keeps
// the permission bits of the file it replaces (a new target gets the mode the process's umask
// gives); until then the replacement of an existing file is readable by its owner only. The
// owner and group are the writing process's. A target that exists and is not a regular file (folder, FIFO, socket, device such as
// /dev/null) is refused and never touched. The temporary file is removed on every failure and
// when the object is destroyed before Commit.
//
// Not copyable; one replacement per object.
class SRCTRL_API KMFileReplace {
public:
    KMFileReplace() = default;
    ~KMFileReplace();
    KMFileReplace(const KMFileReplace&) = delete;
    KMFileReplace& operator=(const KMFileReplace&) = delete;

    // Checks the target and creates the temporary file beside it. Fails with BadPath (null or
    // empty path, or Begin called twice), NotFound (the folder is missing, or a link points to
    // nothing), NotRegular, or CreateFailed (folder not writable, no space).
    KMFile::Error Begin(const char* path);

    // The temporary file that the writer fills, by path or by descriptor; empty before Begin.
    // The writer may open the path again (truncating it) but must not replace it.
    const std::string& TemporaryPath() const { return m_strTemporary; }
    int Descriptor() const { return m_nFd; }

    // Writes `bytes` to the temporary file through its descriptor. False on a write error.
    bool Write(const std::string& bytes);

    // Puts the temporary file's content on disk and renames it over the target, then puts the
    // folder's entry on disk. Fails with BadPath (no Begin, or already committed), NotRegular
    // (the target became something else meanwhile), WriteFailed (the content could not reach
    // the disk; nothing is replaced) or RenameFailed. After a rename whose folder entry cannot
    // be synced the new content is in place and the result is WriteFailed.
    KMFile::Error Commit();

    // Writes `bytes` as the new content of `path` in one step; the errors of Begin and Commit.
    static KMFile::Error Replace(const char* path, const std::string& bytes);

private:
    void Discard();

    std::string m_strTarget;
    std::string m_strTemporary;
    int m_nFd = -1;
    bool m_bExisting = false;
    unsigned m_nMode = 0;
};

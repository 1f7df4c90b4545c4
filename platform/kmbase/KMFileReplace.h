#pragma once

#include "platform/Export.h"
#include "platform/kmbase/KMFile.h"

#include <cstddef>
#include <string>

// Replaces a file as one step: the new content is written to a fresh file beside the target,
// through a descriptor this object owns, and renamed over the target only when every write, the
// sync and the close succeeded, so a reader sees either the old file or the whole new one, and
// a failure (a full disk, a quota, an I/O error) leaves the old file byte for byte and no
// temporary file behind.
//
//   KMFileReplace replace;
//   if (replace.Begin(path) == KMFile::Error::None && replace.Write(bytes))
//       ok = replace.Commit() == KMFile::Error::None;
//   if (!ok) report(replace.Reason());     // "write error: No space left on device"
//
// A link is followed: the file it points to is replaced and the link stays. The new file keeps
// the permission bits, owner and group of the file it replaces (as far as the process may give
// them); a new target gets 0666 less the process's umask. Until Finish the replacement of an
// existing file is readable by its owner only. A target that exists and is not a regular file
// (folder, FIFO, socket, device such as /dev/null) is refused and never touched. The temporary
// file is named ".NAME.tmp.PID.N" beside the target; it is removed on every failure and when the
// object is destroyed before Commit (RemoveLeftovers clears those of a process that was killed).
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

    // The temporary file being filled; empty before Begin and after Commit or a failure.
    const std::string& TemporaryPath() const { return m_strTemporary; }

    // Appends to the temporary file. False on a write error (the reason is kept, and Finish and
    // Commit then fail without replacing anything), or before Begin.
    bool Write(const void* data, size_t size);
    bool Write(const std::string& bytes) { return Write(bytes.data(), bytes.size()); }

    // Puts the content on disk with the target's mode, owner and group and closes the temporary
    // file; nothing is replaced yet, so a writer of several files can finish them all before it
    // commits any. Fails with BadPath (no Begin, or already finished) or WriteFailed (a write,
    // the sync or the close failed; the temporary file is then removed).
    KMFile::Error Finish();

    // Finishes (when not yet done) and renames the temporary file over the target, then puts the
    // folder's entry on disk. Fails as Finish does, or with NotRegular (the target became
    // something else meanwhile) or RenameFailed. After a rename whose folder entry cannot be
    // synced the new content is in place and the result is WriteFailed.
    KMFile::Error Commit();

    // What the last failure was, with the system's words for its cause when there is one:
    // "write error: No space left on device", "cannot create a file beside the target:
    // Permission denied". Empty when nothing failed.
    std::string Reason() const;

    // Writes `bytes` as the new content of `path` in one step; the errors of Begin and Commit,
    // with Reason() in `reason` when one is given.
    static KMFile::Error Replace(const char* path, const std::string& bytes, std::string* reason = nullptr);

    // Removes the temporary files that process `pid` left beside `path` (a link is followed as
    // Begin follows it), for a parent whose worker process was killed while writing.
    static void RemoveLeftovers(const char* path, int pid);

private:
    KMFile::Error Fail(KMFile::Error error, int cause);
    void Discard();

    std::string m_strTarget;
    std::string m_strTemporary;
    int m_nFd = -1;
    bool m_bExisting = false;
    bool m_bFinished = false;
    unsigned m_nMode = 0;
    unsigned m_nOwner = 0;
    unsigned m_nGroup = 0;
    KMFile::Error m_nError = KMFile::Error::None;
    int m_nCause = 0;
};

#include "platform/kmbase/KMFileReplace.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kCreateAttempts = 100;

// The file that `path` stands for: the end of its chain of links, or `path` itself. False for a
// link that leads nowhere.
bool ResolveTarget(const char* path, std::string& target)
{
    struct stat info {};
    if (lstat(path, &info) != 0 || !S_ISLNK(info.st_mode)) {
        target = path;
        return true;
    }
    char* resolved = realpath(path, nullptr);
    if (resolved == nullptr) {
        return false;
    }
    target = resolved;
    std::free(resolved);
    return true;
}

std::string FolderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The start of every temporary name that process `pid` gives a replacement of `target`.
std::string TemporaryPrefix(const std::string& target, long pid)
{
    return "." + NameOf(target) + ".tmp." + std::to_string(pid) + ".";
}

// A hidden name beside `target`, different for every call in this process.
std::string TemporaryNameBeside(const std::string& target)
{
    static std::atomic<unsigned> counter{0};
    const std::string folder = target.find('/') == std::string::npos ? std::string() : FolderOf(target) + "/";
    return folder + TemporaryPrefix(target, getpid()) + std::to_string(counter++);
}

// The folder's entries reach the disk, so the rename survives a crash. A file system that
// cannot sync folders (EINVAL) keeps its entries its own way.
bool SyncFolder(const std::string& folder)
{
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool synced = fsync(fd) == 0 || errno == EINVAL;
    close(fd);
    return synced;
}

} // namespace

KMFileReplace::~KMFileReplace()
{
    Discard();
}

void KMFileReplace::Discard()
{
    if (m_nFd >= 0) {
        close(m_nFd);
        m_nFd = -1;
    }
    if (!m_strTemporary.empty()) {
        unlink(m_strTemporary.c_str());
        m_strTemporary.clear();
    }
}

KMFile::Error KMFileReplace::Fail(KMFile::Error error, int cause)
{
    if (m_nError == KMFile::Error::None) {
        m_nError = error;
        m_nCause = cause;
    }
    Discard();
    return m_nError;
}

std::string KMFileReplace::Reason() const
{
    if (m_nError == KMFile::Error::None) {
        return std::string();
    }
    // A file being written cannot be missing: what is missing is the folder it goes into (or the
    // one a dangling link points into). Other causes ("Not a directory", "No space left on
    // device", "Permission denied") are the system's own words.
    const bool folder = m_nError == KMFile::Error::NotFound;
    std::string reason = folder ? "no such folder" : KMFile::Reason(m_nError);
    if (m_nCause != 0 && !(folder && m_nCause == ENOENT)) {
        reason += std::string(": ") + std::strerror(m_nCause);
    }
    return reason;
}

KMFile::Error KMFileReplace::Begin(const char* path)
{
    if (!m_strTarget.empty() || m_nError != KMFile::Error::None) {
        return KMFile::Error::BadPath;  // a misuse, which leaves the replacement under way alone
    }
    if (path == nullptr || *path == '\0') {
        return Fail(KMFile::Error::BadPath, 0);
    }
    std::string target;
    if (!ResolveTarget(path, target)) {
        return Fail(KMFile::Error::NotFound, errno);
    }
    struct stat info {};
    if (stat(target.c_str(), &info) == 0) {
        if (!S_ISREG(info.st_mode)) {
            return Fail(KMFile::Error::NotRegular, 0);
        }
        m_bExisting = true;
        m_nMode = info.st_mode & 07777;
        m_nOwner = info.st_uid;
        m_nGroup = info.st_gid;
    } else if (errno == ENOTDIR) {
        return Fail(KMFile::Error::NotFound, errno);
    } else if (errno != ENOENT) {
        return Fail(KMFile::Error::CreateFailed, errno);
    }
    // A new target gets the mode the umask gives, as any new file. The replacement of an
    // existing one stays private to its owner until Finish gives it the target's mode, so a
    // 0600 file's new content is never readable by others on the way.
    const mode_t createMode = m_bExisting ? 0600 : 0666;
    for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
        const std::string temporary = TemporaryNameBeside(target);
        const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, createMode);
        if (fd >= 0) {
            m_nFd = fd;
            m_strTemporary = temporary;
            m_strTarget = target;
            return KMFile::Error::None;
        }
        if (errno == ENOENT || errno == ENOTDIR) {
            return Fail(KMFile::Error::NotFound, errno);
        }
        if (errno != EEXIST) {
            return Fail(KMFile::Error::CreateFailed, errno);
        }
    }
    return Fail(KMFile::Error::CreateFailed, EEXIST);
}

bool KMFileReplace::Write(const void* data, size_t size)
{
    const auto* bytes = static_cast<const char*>(data);
    size_t done = 0;
    while (m_nFd >= 0 && !m_bFinished && done < size) {
        const ssize_t written = write(m_nFd, bytes + done, size - done);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            Fail(KMFile::Error::WriteFailed, written < 0 ? errno : ENOSPC);
            return false;
        }
        done += static_cast<size_t>(written);
    }
    return m_nFd >= 0 && !m_bFinished;
}

KMFile::Error KMFileReplace::Finish()
{
    if (m_nFd < 0 || m_bFinished) {
        return m_nError != KMFile::Error::None ? m_nError : KMFile::Error::BadPath;
    }
    if (m_bExisting) {
        // Owner first: changing it clears the set-user and set-group bits the mode may carry.
        // A process that may not give the file its owner keeps at least the group it can.
        if (fchown(m_nFd, m_nOwner, m_nGroup) != 0) {
            (void)fchown(m_nFd, static_cast<uid_t>(-1), m_nGroup);
        }
        if (fchmod(m_nFd, m_nMode) != 0) {
            return Fail(KMFile::Error::WriteFailed, errno);
        }
    }
    if (fsync(m_nFd) != 0) {
        return Fail(KMFile::Error::WriteFailed, errno);
    }
    const int fd = m_nFd;
    m_nFd = -1;
    if (close(fd) != 0) {
        return Fail(KMFile::Error::WriteFailed, errno);
    }
    m_bFinished = true;
    return KMFile::Error::None;
}

KMFile::Error KMFileReplace::Commit()
{
    if (!m_bFinished) {
        const KMFile::Error finished = Finish();
        if (finished != KMFile::Error::None) {
            return finished;
        }
    }
    if (m_strTemporary.empty()) {
        return KMFile::Error::BadPath;  // committed already, or given up after a failure
    }
    struct stat info {};
    if (lstat(m_strTarget.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        return Fail(KMFile::Error::NotRegular, 0);
    }
    if (rename(m_strTemporary.c_str(), m_strTarget.c_str()) != 0) {
        return Fail(KMFile::Error::RenameFailed, errno);
    }
    m_strTemporary.clear();
    if (!SyncFolder(FolderOf(m_strTarget))) {
        m_nError = KMFile::Error::WriteFailed;
        m_nCause = errno;
        return m_nError;
    }
    return KMFile::Error::None;
}

KMFile::Error KMFileReplace::Replace(const char* path, const std::string& bytes, std::string* reason)
{
    KMFileReplace replace;
    KMFile::Error error = replace.Begin(path);
    if (error == KMFile::Error::None) {
        replace.Write(bytes);
        error = replace.Commit();
    }
    if (reason != nullptr) {
        *reason = replace.Reason();
    }
    return error;
}

void KMFileReplace::RemoveLeftovers(const char* path, int pid)
{
    std::string target;
    if (path == nullptr || *path == '\0' || !ResolveTarget(path, target)) {
        return;
    }
    const std::string folder = FolderOf(target);
    const std::string prefix = TemporaryPrefix(target, pid);
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) {
        return;
    }
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.compare(0, prefix.size(), prefix) == 0 && name.size() > prefix.size() &&
            name.find_first_not_of("0123456789", prefix.size()) == std::string::npos) {
            unlinkat(dirfd(dir), name.c_str(), 0);
        }
    }
    closedir(dir);
}

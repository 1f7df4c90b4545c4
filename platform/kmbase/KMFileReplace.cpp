#include "platform/kmbase/KMFileReplace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>

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

// A hidden name beside `target`, different for every call in this process.
std::string TemporaryNameBeside(const std::string& target)
{
    static std::atomic<unsigned> counter{0};
    const size_t slash = target.rfind('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    return target.substr(0, nameStart) + "." + target.substr(nameStart) + ".tmp." + std::to_string(getpid()) + "." +
           std::to_string(counter++);
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

KMFile::Error KMFileReplace::Begin(const char* path)
{
    if (path == nullptr || *path == '\0' || !m_strTarget.empty()) {
        return KMFile::Error::BadPath;
    }
    std::string target;
    if (!ResolveTarget(path, target)) {
        return KMFile::Error::NotFound;
    }
    struct stat info {};
    if (stat(target.c_str(), &info) == 0) {
        if (!S_ISREG(info.st_mode)) {
            return KMFile::Error::NotRegular;
        }
        m_bExisting = true;
        m_nMode = info.st_mode & 0777;
    } else if (errno == ENOTDIR) {
        return KMFile::Error::NotFound;
    } else if (errno != ENOENT) {
        return KMFile::Error::CreateFailed;
    }
    // A new target gets the mode the umask gives, as any new file. The replacement of an
    // existing one stays private to its owner until Commit gives it the target's mode, so a
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
            return KMFile::Error::NotFound;
        }
        if (errno != EEXIST) {
            return KMFile::Error::CreateFailed;
        }
    }
    return KMFile::Error::CreateFailed;
}

bool KMFileReplace::Write(const std::string& bytes)
{
    size_t done = 0;
    while (m_nFd >= 0 && done < bytes.size()) {
        const ssize_t written = write(m_nFd, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        done += static_cast<size_t>(written);
    }
    return m_nFd >= 0;
}

KMFile::Error KMFileReplace::Commit()
{
    if (m_nFd < 0) {
        return KMFile::Error::BadPath;
    }
    // The mode is set only now: a read-only target's mode would stop the writer from opening
    // the temporary file again by its path.
    const bool stored = (!m_bExisting || fchmod(m_nFd, m_nMode) == 0) && fsync(m_nFd) == 0;
    const bool closed = close(m_nFd) == 0;
    m_nFd = -1;
    if (!stored || !closed) {
        Discard();
        return KMFile::Error::WriteFailed;
    }
    struct stat info {};
    if (lstat(m_strTarget.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        Discard();
        return KMFile::Error::NotRegular;
    }
    if (rename(m_strTemporary.c_str(), m_strTarget.c_str()) != 0) {
        Discard();
        return KMFile::Error::RenameFailed;
    }
    m_strTemporary.clear();
    return SyncFolder(FolderOf(m_strTarget)) ? KMFile::Error::None : KMFile::Error::WriteFailed;
}

KMFile::Error KMFileReplace::Replace(const char* path, const std::string& bytes)
{
    KMFileReplace replace;
    const KMFile::Error begun = replace.Begin(path);
    if (begun != KMFile::Error::None) {
        return begun;
    }
    if (!replace.Write(bytes)) {
        return KMFile::Error::WriteFailed;
    }
    return replace.Commit();
}

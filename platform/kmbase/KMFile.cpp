#include "platform/kmbase/KMFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>

namespace {

struct Descriptor {
    explicit Descriptor(int fd) : nFd(fd) {}
    ~Descriptor()
    {
        if (nFd >= 0) {
            close(nFd);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int nFd;
};

KMFile::Error OpenError(int error)
{
    return error == ENOENT || error == ENOTDIR || error == ELOOP ? KMFile::Error::NotFound : KMFile::Error::OpenFailed;
}

// Reads exactly `bytes.size()` bytes; false on an error or an early end of file.
bool ReadExactly(int fd, std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = read(fd, bytes.data() + done, bytes.size() - done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return false;
        }
        done += static_cast<size_t>(got);
    }
    return true;
}

} // namespace

const char* KMFile::Reason(Error error)
{
    switch (error) {
    case Error::None: return "no error";
    case Error::BadPath: return "no file name";
    case Error::NotFound: return "no such file";
    case Error::NotRegular: return "not a regular file";
    case Error::Empty: return "empty file";
    case Error::TooLarge: return "file too large";
    case Error::OpenFailed: return "cannot open";
    case Error::ReadFailed: return "read error";
    case Error::CreateFailed: return "cannot create a file beside the target";
    case Error::WriteFailed: return "write error";
    case Error::RenameFailed: return "cannot replace the target";
    }
    return "unknown error";
}

KMFile::Error KMFile::Read(const char* path, size_t limit, std::string& bytes)
{
    if (path == nullptr || *path == '\0') {
        return Error::BadPath;
    }
    // O_NONBLOCK: opening a FIFO without a writer, or a terminal, must not wait. The type is
    // then checked on what was opened, not on the name.
    Descriptor file(open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (file.nFd < 0) {
        return OpenError(errno);
    }
    struct stat info {};
    if (fstat(file.nFd, &info) != 0) {
        return Error::ReadFailed;
    }
    if (!S_ISREG(info.st_mode)) {
        return Error::NotRegular;
    }
    if (info.st_size == 0) {
        return Error::Empty;
    }
    if (static_cast<unsigned long long>(info.st_size) > limit) {
        return Error::TooLarge;
    }
    std::string content;
    try {
        content.resize(static_cast<size_t>(info.st_size));
    } catch (const std::bad_alloc&) {
        return Error::ReadFailed;
    }
    if (!ReadExactly(file.nFd, content)) {
        return Error::ReadFailed;
    }
    bytes.swap(content);
    return Error::None;
}

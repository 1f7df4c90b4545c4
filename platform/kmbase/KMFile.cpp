#include "platform/kmbase/KMFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
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

// Reads exactly `length` bytes; false on an error or an early end of file.
bool ReadExactly(int fd, char* buffer, size_t length)
{
    size_t done = 0;
    while (done < length) {
        const ssize_t got = read(fd, buffer + done, length - done);
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
    case Error::WrongKind: return "not a file of the expected kind";
    case Error::CreateFailed: return "cannot create a file beside the target";
    case Error::WriteFailed: return "write error";
    case Error::RenameFailed: return "cannot replace the target";
    }
    return "unknown error";
}

KMFile::Error KMFile::Open(const char* path, size_t limit, HeadCheck accept, int& fd, size_t& size)
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
    const size_t length = static_cast<size_t>(info.st_size);
    std::string head(std::min(length, kHeadBytes), '\0');
    if (!ReadExactly(file.nFd, head.data(), head.size())) {
        return Error::ReadFailed;
    }
    if (accept != nullptr && !accept(head, length)) {
        return Error::WrongKind;
    }
    if (lseek(file.nFd, 0, SEEK_SET) != 0) {
        return Error::ReadFailed;
    }
    fd = file.nFd;
    file.nFd = -1;
    size = length;
    return Error::None;
}

std::string KMFile::DescriptorPath(int fd)
{
    return "/proc/self/fd/" + std::to_string(fd);
}

KMFile::Error KMFile::Read(const char* path, size_t limit, std::string& bytes, HeadCheck accept)
{
    int fd = -1;
    size_t size = 0;
    const Error opened = Open(path, limit, accept, fd, size);
    if (opened != Error::None) {
        return opened;
    }
    Descriptor file(fd);
    std::string content;
    try {
        content.resize(size);
    } catch (const std::bad_alloc&) {
        return Error::ReadFailed;
    }
    if (!ReadExactly(file.nFd, content.data(), size)) {
        return Error::ReadFailed;
    }
    bytes.swap(content);
    return Error::None;
}

#include "support/FullDisk.h"

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace testing_support {

FullDisk::FullDisk()
{
    std::string pattern = std::string(std::getenv("TMPDIR") != nullptr ? std::getenv("TMPDIR") : "/tmp") +
                          "/srctrl-full-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (mkdtemp(name.data()) == nullptr) {
        m_strProblem = std::string("no folder to mount on: ") + std::strerror(errno);
        return;
    }
    m_strPath = name.data();
    if (mount("tmpfs", m_strPath.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=4m,mode=0755") != 0) {
        m_strProblem = "cannot mount a small tmpfs to fill (" + std::string(std::strerror(errno)) +
                       "): the disk-full tests need root, as in CI";
        return;
    }
    m_bMounted = true;
}

FullDisk::~FullDisk()
{
    if (m_bMounted) {
        umount2(m_strPath.c_str(), MNT_DETACH);
    }
    if (!m_strPath.empty()) {
        rmdir(m_strPath.c_str());
    }
}

void FullDisk::Fill(size_t leave)
{
    const int fd = open(File(".filler").c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0) {
        return;
    }
    // Big blocks first, then ever smaller ones, until not even a byte fits.
    std::vector<char> block(1 << 20, 'x');
    for (size_t size = block.size(); size > 0; size /= 2) {
        while (write(fd, block.data(), size) == static_cast<ssize_t>(size)) {
        }
    }
    if (leave > 0) {
        // Give back what the writer may use.
        off_t end = lseek(fd, 0, SEEK_END);
        (void)ftruncate(fd, end > static_cast<off_t>(leave) ? end - static_cast<off_t>(leave) : 0);
    }
    close(fd);
}

} // namespace testing_support

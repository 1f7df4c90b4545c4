#include "OutputFile.h"

#include "Failure.h"

#include <cerrno>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

std::string FolderOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

OutputFile::OutputFile(std::string target) : m_strTarget(std::move(target))
{
    struct stat info{};
    if (m_strTarget.empty() || m_strTarget.back() == '/' ||
        (stat(m_strTarget.c_str(), &info) == 0 && S_ISDIR(info.st_mode))) {
        throw Failure(ExitCode::Output, "cannot write " + m_strTarget + ": not a file name");
    }
    // A hidden name keeps half-written files out of globs such as *.dcm in the same folder.
    std::string pattern = FolderOf(m_strTarget) + "/." + NameOf(m_strTarget) + ".XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    const int fd = mkstemp(buffer.data());
    if (fd < 0) {
        throw Failure(ExitCode::Output, SystemError("cannot write", m_strTarget, errno));
    }
    close(fd);
    m_strTemp = buffer.data();
}

OutputFile::~OutputFile()
{
    if (!m_bCommitted) {
        std::remove(m_strTemp.c_str());
    }
}

void OutputFile::Commit()
{
    // mkstemp creates the file for its owner only; an output is as readable as any other file
    // the user writes.
    const mode_t mask = umask(0);
    umask(mask);
    chmod(m_strTemp.c_str(), 0666 & ~mask);
    if (std::rename(m_strTemp.c_str(), m_strTarget.c_str()) != 0) {
        throw Failure(ExitCode::Output, SystemError("cannot write", m_strTarget, errno));
    }
    m_bCommitted = true;
}

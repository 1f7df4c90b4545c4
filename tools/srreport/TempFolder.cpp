#include "TempFolder.h"

#include "Failure.h"

#include <cerrno>
#include <cstdlib>
#include <ftw.h>
#include <unistd.h>
#include <vector>

namespace {

int RemoveEntry(const char* path, const struct stat*, int, struct FTW*)
{
    remove(path);
    return 0;
}

} // namespace

TempFolder::TempFolder()
{
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/srreport-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()) == nullptr) {
        throw Failure(ExitCode::Output, SystemError("cannot make a temporary folder in", pattern, errno));
    }
    m_strPath = buffer.data();
}

TempFolder::~TempFolder()
{
    nftw(m_strPath.c_str(), RemoveEntry, 8, FTW_DEPTH | FTW_PHYS);
}

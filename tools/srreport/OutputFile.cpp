#include "OutputFile.h"

#include "Failure.h"

#include <sys/stat.h>

#include <utility>

OutputFile::OutputFile(std::string target) : m_strTarget(std::move(target))
{
    struct stat info{};
    if (m_strTarget.empty() || m_strTarget.back() == '/' ||
        (stat(m_strTarget.c_str(), &info) == 0 && S_ISDIR(info.st_mode))) {
        throw Failure(ExitCode::Output, "cannot write " + m_strTarget + ": not a file name");
    }
    if (m_replace.Begin(m_strTarget.c_str()) != KMFile::Error::None) {
        Fail();
    }
}

void OutputFile::Fail()
{
    throw Failure(ExitCode::Output, "cannot write " + m_strTarget + ": " + m_replace.Reason());
}

void OutputFile::Write(const std::string& bytes)
{
    if (!m_replace.Write(bytes) || m_replace.Finish() != KMFile::Error::None) {
        Fail();
    }
}

void OutputFile::Commit()
{
    if (m_replace.Commit() != KMFile::Error::None) {
        Fail();
    }
}

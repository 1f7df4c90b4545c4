#include "platform/kmdicom/KMDcmLog.h"
#include "platform/kmdicom/KMDcmSR.h"
#include "platform/kmdicom/KMDcmTags.h"
#include "support/TestSupport.h"

#include <dcmtk/oflog/oflog.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>

using testing_support::DataFile;
using testing_support::ReadFile;
using testing_support::TempDir;

namespace {

// What the library's DICOM work does: open good and broken files, convert texts, save.
void UseTheLibrary(const TempDir& dir)
{
    KMDcmFile image;
    EXPECT_TRUE(image.LoadFile(DataFile("charsets/undeclared.dcm").c_str(), true));
    EXPECT_FALSE(image.LoadFile(DataFile("malformed/truncated.dcm").c_str(), true));
    EXPECT_FALSE(image.LoadFile(DataFile("malformed/huge-length.dcm").c_str(), true));
    KMDcmSR report;
    EXPECT_TRUE(report.Copy(image.GetDataset()));
    EXPECT_TRUE(report.GetDataset()->SetString(KMDcmTag::ReferringPhysicianName, L"山田^太郎"));
    EXPECT_TRUE(report.SaveFile(dir.File("report.dcm").c_str()));
}

// Runs `work` with the process's standard error going to a file, and returns what was written.
template <typename Work>
std::string StandardErrorOf(const TempDir& dir, Work work)
{
    const std::string path = dir.File("stderr.txt");
    std::cerr.flush();
    std::fflush(stderr);
    const int saved = dup(STDERR_FILENO);
    const int file = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(file, STDERR_FILENO);
    close(file);
    work();
    std::cerr.flush();
    std::fflush(stderr);
    dup2(saved, STDERR_FILENO);
    close(saved);
    return ReadFile(path);
}

} // namespace

TEST(KMDcmLog, TheHostsLoggerConfigurationStaysAsTheHostSetIt)
{
    TempDir dir;
    OFLogger logger = OFLog::getLogger("dcmtk.dcmdata");
    for (auto level : {dcmtk::log4cplus::LogLevel(OFLogger::TRACE_LOG_LEVEL), dcmtk::log4cplus::LogLevel(OFLogger::INFO_LOG_LEVEL),
                       dcmtk::log4cplus::NOT_SET_LOG_LEVEL}) {
        SCOPED_TRACE(level);
        logger.setLogLevel(level);
        UseTheLibrary(dir);
        EXPECT_EQ(logger.getLogLevel(), level);
    }
}

TEST(KMDcmLog, TheLibraryIsQuietOnlyInsideItsOwnCalls)
{
    TempDir dir;
    OFLogger logger = OFLog::getLogger("dcmtk.dcmdata");
    logger.setLogLevel(OFLogger::TRACE_LOG_LEVEL);

    EXPECT_EQ(StandardErrorOf(dir, [&] { UseTheLibrary(dir); }), "");
    const std::string hosts = StandardErrorOf(dir, [&] { OFLOG_WARN(logger, "the host's own message"); });
    EXPECT_NE(hosts.find("the host's own message"), std::string::npos) << hosts;

    {
        const KMDcmLog outer;
        {
            const KMDcmLog inner;
        }
        EXPECT_EQ(logger.getLogLevel(), OFLogger::OFF_LOG_LEVEL) << "an inner guard gives back the outer one's quiet";
    }
    EXPECT_EQ(logger.getLogLevel(), OFLogger::TRACE_LOG_LEVEL);
    logger.setLogLevel(dcmtk::log4cplus::NOT_SET_LOG_LEVEL);
}

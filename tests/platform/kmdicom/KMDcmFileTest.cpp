#include "platform/kmdicom/KMDcmFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using testing_support::DataFile;
using testing_support::TempDir;

namespace {

std::wstring PatientName(const KMDcmFile& file)
{
    std::wstring name;
    file.GetDataset()->GetString(0x00100010, name);
    return name;
}

} // namespace

TEST(KMDcmFile, LoadsAnImageAndReadsItsValues)
{
    KMDcmFile file;
    ASSERT_TRUE(file.LoadFile(DataFile("ct-image.dcm").c_str(), true));
    EXPECT_EQ(PatientName(file), L"Müller^Jürgen");
    const char* modality = nullptr;
    ASSERT_TRUE(file.GetDataset()->GetString(0x00080060, modality));
    EXPECT_STREQ(modality, "CT");
}

TEST(KMDcmFile, MalformedFilesFailAndLeaveTheContent)
{
    KMDcmFile file;
    ASSERT_TRUE(file.LoadFile(DataFile("ct-image.dcm").c_str(), true));
    const KMDcmDataset* dataset = file.GetDataset();
    for (const char* name : {"empty.dcm", "truncated.dcm", "random.dcm", "huge-length.dcm", "text.dcm"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(file.LoadFile(DataFile(std::string("malformed/") + name).c_str(), true));
        EXPECT_EQ(file.GetDataset(), dataset);
        EXPECT_EQ(PatientName(file), L"Müller^Jürgen");
    }
    EXPECT_FALSE(file.LoadFile(DataFile("missing.dcm").c_str(), true));
    EXPECT_FALSE(file.LoadFile(DataFile("malformed").c_str(), true)) << "a folder";
    EXPECT_FALSE(file.LoadFile(nullptr, true));
    EXPECT_FALSE(file.LoadFile("", true));
    EXPECT_EQ(PatientName(file), L"Müller^Jürgen");
}

TEST(KMDcmFile, SavesPart10AndReadsABareDataset)
{
    TempDir dir;
    KMDcmFile file;
    ASSERT_TRUE(file.LoadFile(DataFile("ct-image.dcm").c_str(), true));
    const std::string saved = dir.File("saved.dcm");
    ASSERT_TRUE(file.SaveFile(saved.c_str()));
    EXPECT_EQ(testing_support::ReadFile(saved).substr(128, 4), "DICM");

    // dcmconv writes the dataset alone, without preamble or meta header.
    const std::string bare = dir.File("bare.dcm");
    const auto conv = testing_support::RunTool("dcmconv +td " + testing_support::Quoted(saved) + " " +
                                               testing_support::Quoted(bare) + " 2>&1");
    ASSERT_EQ(conv.nExitCode, 0) << conv.strOutput;
    KMDcmFile reloaded;
    ASSERT_TRUE(reloaded.LoadFile(bare.c_str(), true));
    EXPECT_EQ(PatientName(reloaded), L"Müller^Jürgen");
}

TEST(KMDcmFile, FailedSaveKeepsTheExistingFile)
{
    TempDir dir;
    KMDcmFile file;
    ASSERT_TRUE(file.LoadFile(DataFile("ct-image.dcm").c_str(), true));
    EXPECT_FALSE(file.SaveFile(dir.File("no/such/folder/x.dcm").c_str()));
    EXPECT_FALSE(file.SaveFile(nullptr));

    // A target that cannot be replaced: the write fails and leaves nothing behind.
    const std::string target = dir.File("report.dcm");
    ASSERT_EQ(mkdir(target.c_str(), 0755), 0);
    EXPECT_FALSE(file.SaveFile(target.c_str()));
    struct stat info {};
    ASSERT_EQ(stat(target.c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    const auto listing = testing_support::RunTool("ls -A " + testing_support::Quoted(dir.Path()));
    EXPECT_EQ(listing.strOutput, "report.dcm\n") << "no temporary file is left";
}

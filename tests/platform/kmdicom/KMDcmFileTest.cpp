#include "platform/kmdicom/KMDcmFile.h"
#include "support/FileChecks.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

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

TEST(KMDcmFile, SaveReplacesWhatALinkPointsAtAndKeepsItsPermissions)
{
    TempDir dir;
    KMDcmFile file;
    ASSERT_TRUE(file.LoadFile(DataFile("ct-image.dcm").c_str(), true));
    const std::string stored = dir.File("stored.dcm");
    testing_support::WriteFile(stored, "old");
    ASSERT_EQ(chmod(stored.c_str(), 0600), 0);
    const std::string link = dir.File("link.dcm");
    ASSERT_EQ(symlink(stored.c_str(), link.c_str()), 0);
    ASSERT_TRUE(file.SaveFile(link.c_str()));
    EXPECT_TRUE(testing_support::IsLink(link));
    EXPECT_EQ(testing_support::ModeOf(stored), 0600u);
    const auto dump = testing_support::RunTool("dcmdump " + testing_support::Quoted(stored) + " 2>&1");
    EXPECT_EQ(dump.nExitCode, 0) << dump.strOutput;
    EXPECT_NE(dump.strOutput.find("(0008,0060) CS [CT]"), std::string::npos) << dump.strOutput;

    const std::string fifo = dir.File("fifo.dcm");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(file.SaveFile(fifo.c_str()));
    struct stat info {};
    ASSERT_EQ(stat(fifo.c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
    EXPECT_EQ(testing_support::Entries(dir.Path()), (std::vector<std::string>{"fifo.dcm", "link.dcm", "stored.dcm"}));
}

TEST(KMDcmFile, OnlyRegularFilesThatLookLikeDicomAreRead)
{
    TempDir dir;
    KMDcmFile file;
    ASSERT_TRUE(file.LoadFile(DataFile("ct-image.dcm").c_str(), true));

    const std::string fifo = dir.File("fifo.dcm");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(file.LoadFile(fifo.c_str(), true)) << "returns at once instead of waiting for a writer";

    // 64 MiB of zeros: no preamble, and group 0000 starts no dataset.
    const std::string zeros = dir.File("zeros.dcm");
    testing_support::WriteFile(zeros, "");
    ASSERT_EQ(truncate(zeros.c_str(), 64L * 1024 * 1024), 0);
    EXPECT_FALSE(file.LoadFile(zeros.c_str(), true));
    EXPECT_EQ(PatientName(file), L"Müller^Jürgen");

    // A bare dataset in implicit VR little endian starts with a (0008,xxxx) element and no VR.
    const std::string implicit = dir.File("implicit.dcm");
    const auto conv = testing_support::RunTool("dcmconv -F +ti " + testing_support::Quoted(DataFile("ct-image.dcm")) +
                                               " " + testing_support::Quoted(implicit) + " 2>&1");
    ASSERT_EQ(conv.nExitCode, 0) << conv.strOutput;
    const std::string bytes = testing_support::ReadFile(implicit);
    ASSERT_EQ(bytes.substr(0, 2), std::string("\x08\x00", 2));
    ASSERT_NE(bytes.substr(128, 4), "DICM");
    KMDcmFile bare;
    ASSERT_TRUE(bare.LoadFile(implicit.c_str(), true));
    EXPECT_EQ(PatientName(bare), L"Müller^Jürgen");
}

TEST(KMDcmFile, AttributesAloneAreReadUpToThePixelData)
{
    // An image cut inside its pixel data: whole, it is a truncated file; its attributes, which
    // are all a report needs, are all there.
    testing_support::TempDir dir;
    const std::string whole = testing_support::ReadFile(DataFile("ct-image.dcm"));
    const std::string cut = dir.File("cut.dcm");
    testing_support::WriteFile(cut, whole.substr(0, whole.size() - 16));
    KMDcmFile file;
    EXPECT_FALSE(file.LoadFile(cut.c_str(), true));
    ASSERT_TRUE(file.LoadFile(cut.c_str(), false));
    std::string modality;
    ASSERT_TRUE(file.GetDataset()->GetString(0x00080060, modality));
    EXPECT_EQ(modality, "CT");
    const unsigned char* pixels = nullptr;
    unsigned long length = 0;
    EXPECT_FALSE(file.GetDataset()->GetUint8Array(0x7FE00010, pixels, length)) << "the pixel data were not read";
}

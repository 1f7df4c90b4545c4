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
    for (const char* name :
         {"empty.dcm", "truncated.dcm", "random.dcm", "huge-length.dcm", "declared-4gib-value.dcm", "text.dcm"}) {
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

TEST(KMDcmFile, ABareImplicitLittleEndianDatasetIsRead)
{
    TempDir dir;
    KMDcmFile file;
    ASSERT_TRUE(file.LoadFile(DataFile("ct-image.dcm").c_str(), true));

    // FIFOs and files of zeros are HostileInput's, through every entry point of the control.
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

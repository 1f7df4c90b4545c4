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

// FIFOs and files of zeros are HostileInput's, through every entry point of the control.
TEST(KMDcmFile, SavesPart10AndReadsWhatDcmconvRewrites)
{
    TempDir dir;
    KMDcmFile file;
    ASSERT_TRUE(file.LoadFile(DataFile("ct-image.dcm").c_str(), true));
    const std::string saved = dir.File("saved.dcm");
    ASSERT_TRUE(file.SaveFile(saved.c_str()));
    EXPECT_EQ(testing_support::ReadFile(saved).substr(128, 4), "DICM");

    // Deflated, and a bare dataset in implicit VR little endian: no preamble, no meta header, a
    // (0008,xxxx) element first and no VR.
    for (const char* options : {"+td", "-F +ti"}) {
        SCOPED_TRACE(options);
        const std::string converted = dir.File("converted.dcm");
        const auto conv = testing_support::RunTool(std::string("dcmconv ") + options + " " + testing_support::Quoted(saved) +
                                                   " " + testing_support::Quoted(converted) + " 2>&1");
        ASSERT_EQ(conv.nExitCode, 0) << conv.strOutput;
        const std::string bytes = testing_support::ReadFile(converted);
        if (std::string(options) == "-F +ti") {
            ASSERT_EQ(bytes.substr(0, 2), std::string("\x08\x00", 2));
        }
        KMDcmFile reloaded;
        ASSERT_TRUE(reloaded.LoadFile(converted.c_str(), true));
        EXPECT_EQ(PatientName(reloaded), L"Müller^Jürgen");
    }
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

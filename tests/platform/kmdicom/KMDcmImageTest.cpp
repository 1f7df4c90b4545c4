// A DICOM frame put into a key-image box is rendered as DCMTK's own tools draw it: dcm2pnm (its
// JPEG and JPEG-LS builds for those syntaxes) of the same frame and window is the oracle, for
// every photometric interpretation, bit depth and transfer syntax that a study's images come in.
#include "platform/kmdicom/KMDcmImage.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <vector>

using testing_support::Quoted;
using testing_support::ReadFile;
using testing_support::RunTool;
using testing_support::TempDir;

namespace {

struct Pnm {
    int width = 0;
    int height = 0;
    int channels = 0;
    std::string pixels;
};

// A binary PGM or PPM with a maximum of 255, as dcm2pnm writes them.
Pnm ReadPnm(const std::string& bytes)
{
    std::istringstream in(bytes);
    std::string magic;
    int max = 0;
    Pnm pnm;
    in >> magic >> pnm.width >> pnm.height >> max;
    in.get();
    pnm.channels = magic == "P6" ? 3 : 1;
    pnm.pixels.assign(std::istreambuf_iterator<char>(in), {});
    return pnm;
}

// The largest difference of a sample between the rendered frame and dcm2pnm's picture.
int LargestDifference(const KMDcmImage::Rendered& shown, const Pnm& expected)
{
    if (shown.nWidth != expected.width || shown.nHeight != expected.height || shown.nChannels != expected.channels ||
        shown.vecSamples.size() != expected.pixels.size()) {
        return 256;
    }
    int largest = 0;
    for (size_t i = 0; i < shown.vecSamples.size(); ++i) {
        largest = std::max(largest, std::abs(shown.vecSamples[i] - static_cast<unsigned char>(expected.pixels[i])));
    }
    return largest;
}

} // namespace

TEST(KMDcmImage, FramesAreRenderedAsDcm2pnmDrawsThem)
{
    TempDir dir;
    ASSERT_EQ(RunTool(std::string(SRCTRL_SOURCE_DIR) + "/tests/data/images/make-key-images.sh " + Quoted(dir.Path()))
                  .nExitCode,
              0);
    const KMDcmWindow bone{400, 1800};
    const struct {
        const char* file;
        int frame;
        const KMDcmWindow* window;
        const char* dcm2pnm;  // the same choice, in dcm2pnm's words
    } cases[] = {
        {"ct16.dcm", 1, nullptr, "dcm2pnm +Wi 1"},           // the file's window
        {"ct16.dcm", 1, &bone, "dcm2pnm +Ww 400 1800"},      // the caller's
        {"mono1.dcm", 1, nullptr, "dcm2pnm +Wm"},            // no window: the frame's range, inverted
        {"frames.dcm", 3, nullptr, "dcm2pnm +Wm +F 3"},      // the third frame of three
        {"jpeg.dcm", 1, nullptr, "dcmj2pnm +Wi 1"},          // JPEG lossless
        {"rle.dcm", 1, &bone, "dcm2pnm +Ww 400 1800"},       // RLE
        {"jpls.dcm", 1, nullptr, "dcml2pnm +Wi 1"},          // JPEG-LS
        {"color.dcm", 1, nullptr, "dcmj2pnm"},               // JPEG baseline, YBR colour
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file + std::string(" ") + c.dcm2pnm);
        KMDcmImage image;
        std::string reason;
        ASSERT_TRUE(image.Load(dir.File(c.file).c_str(), reason)) << reason;
        KMDcmImage::Rendered shown;
        ASSERT_TRUE(image.Render(c.frame, c.window, 0, shown, reason)) << reason;
        const std::string pnm = dir.File("oracle.pnm");
        ASSERT_EQ(RunTool(std::string(c.dcm2pnm) + " -q +op " + Quoted(dir.File(c.file)) + " " + Quoted(pnm))
                      .nExitCode,
                  0);
        EXPECT_LE(LargestDifference(shown, ReadPnm(ReadFile(pnm))), 1);
    }

    KMDcmImage frames;
    std::string reason;
    ASSERT_TRUE(frames.Load(dir.File("frames.dcm").c_str(), reason));
    EXPECT_EQ(frames.GetFrameCount(), 3);
    EXPECT_EQ(frames.GetSOPInstanceUID(), "2.25.31234567894");
    EXPECT_EQ(frames.GetSOPClassUID(), "1.2.840.10008.5.1.4.1.1.7.2");
    KMDcmImage::Rendered half;
    ASSERT_TRUE(frames.Render(1, nullptr, 32, half, reason));
    EXPECT_EQ(half.nWidth, 32) << "scaled down to fit";
    for (int frame : {0, 4}) {
        EXPECT_FALSE(frames.Render(frame, nullptr, 0, half, reason));
        EXPECT_EQ(reason, "no frame " + std::to_string(frame) + " in the image (it has 3)");
    }
    KMDcmImage report;
    EXPECT_FALSE(report.Load((std::string(SRCTRL_SOURCE_DIR) + "/tests/data/sr/comprehensive-sr.dcm").c_str(), reason));
    EXPECT_NE(reason.find("no pixel data in "), std::string::npos) << reason;
}

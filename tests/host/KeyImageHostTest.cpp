// DICOM images put into a report's image boxes as a host puts them: the box shows the frame as
// DCMTK's dcm2pnm draws it, the document references the image as other viewers read it (dsrdump,
// dcmdump, dciodvfy), those references follow the boxes, and a refused image changes nothing.
#include <srctrl/IReportCtrl.h>
#include <srctrl/KMDcmFile.h>
#include <srctrl/KMDcmSR.h>

#include "HostTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

using host_test::Output;

constexpr const char* kCt = "2.25.31234567892";
constexpr const char* kFrames = "2.25.31234567894";

class KeyImages : public host_test::ReportHost {
protected:
    void SetUp() override
    {
        Output(std::string(SRCTRL_SOURCE_DIR) + "/tests/data/images/make-key-images.sh " + m_images.File(""));
        ASSERT_EQ(Output("test -s " + Image("jpls.dcm") + " && echo made"), "made\n") << "DCMTK's tools made no images";
        OpenControl(1000, 1200);
        m_report = m_ctrl->CreateReportFromImage(Image("ct16.dcm").c_str());
        ASSERT_NE(m_report, nullptr) << SrCtrlGetLastError();
    }
    std::string Image(const char* name) const { return m_images.File(name); }

    // The document as saved now, and what DCMTK's tools read in it.
    std::string Saved()
    {
        std::string bytes;
        EXPECT_TRUE(m_report->GetDcmSR()->SaveToBuffer(bytes));
        return bytes;
    }
    std::string Dump(const char* tool)
    {
        const std::string path = m_images.File("report.dcm");
        EXPECT_TRUE(m_report->GetDcmSR()->SaveFile(path.c_str())) << SrCtrlGetLastError();
        return Output(std::string(tool) + " " + path + " 2>&1");
    }
    // How many IMAGE items dsrdump shows, and which instances the evidence lists.
    int ImageItems() { return CountOf(Dump("dsrdump"), "contains IMAGE:"); }
    std::string Evidence(const char* tag) { return Output("dcmdump +P " + std::string(tag) + " +p " + m_images.File("report.dcm")); }
    static int CountOf(const std::string& text, const std::string& what)
    {
        int count = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
            ++count;
        }
        return count;
    }

    // Where box 0 draws a picture of `width` x `height`: the rectangle a red one of that size fills.
    RECT PictureRect(int width, int height)
    {
        std::vector<BYTE> red(static_cast<size_t>(width * height * 4), 0);
        for (size_t i = 0; i < red.size(); i += 4) {
            red[i + 2] = red[i + 3] = 0xFF;
        }
        HBITMAP bitmap = CreateBitmap(width, height, 1, 32, red.data());
        EXPECT_TRUE(m_report->SetImage(0, bitmap)) << SrCtrlGetLastError();
        DeleteObject(bitmap);
        RECT found{1 << 20, 1 << 20, -1, -1};
        const std::vector<DWORD> pixels = host_test::Pixels(m_host, RECT{0, 0, 1000, 1200});
        for (int i = 0; i < static_cast<int>(pixels.size()); ++i) {
            const DWORD p = pixels[i];
            if ((p >> 16 & 0xFF) > 200 && (p >> 8 & 0xFF) < 50 && (p & 0xFF) < 50) {
                const int x = i % 1000;
                const int y = i / 1000;
                found = RECT{std::min(found.left, x), std::min(found.top, y), std::max(found.right, x + 1),
                             std::max(found.bottom, y + 1)};
            }
        }
        return found;
    }

    host_test::Folder m_images;
};

} // namespace

TEST_F(KeyImages, TheBoxShowsTheFrameAsDcm2pnmDrawsIt)
{
    const KMDcmWindow bone{400, 1800};
    const struct {
        const char* file;
        int frame;
        const KMDcmWindow* window;
        const char* dcm2pnm;
    } cases[] = {
        {"ct16.dcm", 1, nullptr, "dcm2pnm +Wi 1"},          // 16-bit signed, the file's window
        {"ct16.dcm", 1, &bone, "dcm2pnm +Ww 400 1800"},     // the host's window
        {"mono1.dcm", 1, nullptr, "dcm2pnm +Wm"},           // MONOCHROME1: inverted
        {"frames.dcm", 2, nullptr, "dcm2pnm +Wm +F 2"},     // the second of three frames
        {"jpeg.dcm", 1, nullptr, "dcmj2pnm +Wi 1"},         // JPEG lossless
        {"rle.dcm", 1, nullptr, "dcm2pnm +Wi 1"},           // RLE
        {"jpls.dcm", 1, nullptr, "dcml2pnm +Wi 1"},         // JPEG-LS
    };
    const RECT box = PictureRect(64, 64);
    const long width = box.right - box.left;
    const long height = box.bottom - box.top;
    ASSERT_GT(width, 64) << "the picture is drawn larger than its pixels";
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " " + c.dcm2pnm);
        ASSERT_TRUE(m_report->SetKeyImageFile(0, Image(c.file).c_str(), c.frame, c.window)) << SrCtrlGetLastError();
        const std::vector<DWORD> shown = host_test::Pixels(m_host, box);
        const std::string pnm = m_images.File("oracle.pnm");
        const std::string drawn = Output(std::string(c.dcm2pnm) + " -q +op " + Image(c.file) + " " + pnm + " && convert " +
                                         pnm + " -resize " + std::to_string(width) + "x" + std::to_string(height) + "! gray:-");
        ASSERT_EQ(drawn.size(), shown.size());
        long total = 0;
        for (size_t i = 0; i < shown.size(); ++i) {
            total += std::abs(static_cast<int>(shown[i] >> 8 & 0xFF) - static_cast<unsigned char>(drawn[i]));
        }
        EXPECT_LT(total / static_cast<long>(shown.size()), 6) << "mean difference per pixel";
    }
}

TEST_F(KeyImages, ReferencesFollowTheBoxes)
{
    ASSERT_TRUE(m_report->SetKeyImageFile(0, Image("ct16.dcm").c_str(), 1, nullptr));
    KMDcmFile held;
    ASSERT_TRUE(held.LoadFile(Image("frames.dcm").c_str()));
    ASSERT_TRUE(m_report->SetKeyImageDataset(1, held.GetDataset(), 3, nullptr)) << SrCtrlGetLastError();
    const std::string tree = Dump("dsrdump +Pu");
    EXPECT_NE(tree.find(std::string("IMAGE:(,,\"Best illustration of finding\")=(CT image,\"") + kCt + "\")"), std::string::npos)
        << tree;
    EXPECT_NE(tree.find(std::string("(SCb image,\"") + kFrames + "\",3)"), std::string::npos) << tree;
    EXPECT_EQ(CountOf(Evidence("0040,a375"), "ReferencedSOPInstanceUID"), 2);
    EXPECT_EQ(Output("dciodvfy " + m_images.File("report.dcm") + " 2>&1 | grep ^Error"), "");
    const std::vector<KMDcmImageReference> keys = m_report->GetDcmSR()->GetKeyImages();
    ASSERT_EQ(keys.size(), 2U);
    EXPECT_EQ(keys[1].strSeriesInstanceUID, "2.25.31234567891");
    EXPECT_EQ(keys[1].nFrame, 3);

    // The same image in a second box: taking it from one box keeps what the other needs.
    ASSERT_TRUE(m_report->SetKeyImageFile(1, Image("ct16.dcm").c_str(), 1, nullptr));
    EXPECT_EQ(ImageItems(), 1);
    EXPECT_EQ(CountOf(Evidence("0040,a375"), "ReferencedSOPInstanceUID"), 1);
    std::vector<BYTE> grey(16 * 16 * 4, 0x80);
    HBITMAP bitmap = CreateBitmap(16, 16, 1, 32, grey.data());
    ASSERT_TRUE(m_report->SetImage(0, bitmap));
    DeleteObject(bitmap);
    EXPECT_EQ(ImageItems(), 1) << "box 1 still shows the CT";
    ASSERT_TRUE(m_report->ClearImage(1));
    EXPECT_EQ(ImageItems(), 0);
    EXPECT_EQ(Evidence("0040,a375"), "");
    EXPECT_EQ(CountOf(Output("dcmdump " + m_images.File("report.dcm")), "EncapsulatedDocument"), 1) << "the bitmap stays";

    // An image of another study is other evidence, not the current procedure's.
    const std::string prior = Image("prior.dcm");
    Output("cp " + Image("ct16.dcm") + " " + prior + " && dcmodify -nb -m '(0020,000d)=2.25.999' -m '(0008,0018)=2.25.998' " + prior);
    ASSERT_TRUE(m_report->SetKeyImageFile(1, prior.c_str(), 1, nullptr)) << SrCtrlGetLastError();
    Dump("dsrdump");
    EXPECT_EQ(Evidence("0040,a375"), "");
    EXPECT_NE(Evidence("0040,a385").find("2.25.998"), std::string::npos);
}

TEST_F(KeyImages, ARefusedImageSaysWhyAndChangesNothing)
{
    ASSERT_TRUE(m_report->SetKeyImageFile(0, Image("ct16.dcm").c_str(), 1, nullptr));
    const std::string before = Saved();
    const std::string text = m_images.File("notes.txt", "only words");
    const struct {
        int box;
        std::string file;
        int frame;
        std::string reason;
    } cases[] = {
        {2, Image("ct16.dcm"), 1, "no image box 2: the page has 2"},
        {-1, Image("ct16.dcm"), 1, "no image box -1: the page has 2"},
        {1, Image("frames.dcm"), 4, "no frame 4 in the image (it has 3)"},
        {1, Image("frames.dcm"), 0, "no frame 0 in the image (it has 3)"},
        {1, text, 1, "not a DICOM file: " + text},
        {1, std::string(SRCTRL_TEST_DATA) + "/sr/comprehensive-sr.dcm", 1, "no pixel data in "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        EXPECT_FALSE(m_report->SetKeyImageFile(c.box, c.file.c_str(), c.frame, nullptr));
        EXPECT_EQ(std::string(SrCtrlGetLastError()).rfind(c.reason, 0), 0U) << SrCtrlGetLastError();
        EXPECT_EQ(Saved(), before);
    }
    EXPECT_FALSE(m_report->SetKeyImageFile(1, nullptr, 1, nullptr));
    EXPECT_FALSE(m_report->SetKeyImageDataset(1, nullptr, 1, nullptr));
    EXPECT_EQ(Saved(), before);

    ASSERT_TRUE(m_report->SetValue(0x0040A075, L"Brown^Tom"));
    ASSERT_TRUE(m_report->SetValue(0x0040A027, L"City Hospital"));
    m_report->VerifyDocument();
    ASSERT_TRUE(m_report->IsVerified());
    const std::string verified = Saved();
    EXPECT_FALSE(m_report->ClearImage(0));
    EXPECT_FALSE(m_report->SetKeyImageFile(1, Image("ct16.dcm").c_str(), 1, nullptr));
    EXPECT_EQ(std::string(SrCtrlGetLastError()).rfind("the report is verified", 0), 0U) << SrCtrlGetLastError();
    EXPECT_EQ(Saved(), verified);
}

#include "printing/CUtil.h"
#include "platform/win32/GdiPlus.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using testing_support::Quoted;
using testing_support::RunTool;

namespace {

class CUtilTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        GdiplusStartupInput input;
        ASSERT_EQ(GdiplusStartup(&m_token, &input, nullptr), Ok);
    }
    void TearDown() override { GdiplusShutdown(m_token); }
    ULONG_PTR m_token = 0;
};

} // namespace

TEST_F(CUtilTest, JpegOfABitmapDecodesWithDjpegAndBack)
{
    std::vector<BYTE> pixels(200 * 100 * 4, 0x80);
    for (size_t i = 3; i < pixels.size(); i += 4) {
        pixels[i] = 0xFF;
    }
    HBITMAP bitmap = CreateBitmap(200, 100, 1, 32, pixels.data());
    std::vector<unsigned char> jpeg{1, 2, 3};
    ASSERT_TRUE(CUtil::GetJPEG(bitmap, jpeg));
    DeleteObject(bitmap);
    ASSERT_GT(jpeg.size(), 2u);
    EXPECT_EQ(jpeg[0], 0xFF);
    EXPECT_EQ(jpeg[1], 0xD8);

    testing_support::TempDir dir;
    testing_support::WriteFile(dir.File("x.jpg"), std::string(jpeg.begin(), jpeg.end()));
    EXPECT_EQ(RunTool("djpeg -pnm " + Quoted(dir.File("x.jpg")) + " | head -c 11").strOutput, "P6\n200 100\n");

    HBITMAP back = CUtil::CreateBitmapFromJPEG(jpeg.data(), static_cast<DWORD>(jpeg.size()));
    ASSERT_NE(back, nullptr);
    EXPECT_NEAR(static_cast<int>(testing_support::PixelAt(back, 50, 50) & 0xFF), 0x80, 4);
    DeleteObject(back);
}

TEST_F(CUtilTest, NothingToEncodeOrDecodeFails)
{
    std::vector<unsigned char> jpeg{1, 2, 3};
    EXPECT_FALSE(CUtil::GetJPEG(nullptr, jpeg));
    EXPECT_TRUE(jpeg.empty());
    const unsigned char text[] = "this is no image at all";
    EXPECT_EQ(CUtil::CreateBitmapFromJPEG(text, sizeof(text)), nullptr);
    EXPECT_EQ(CUtil::CreateBitmapFromJPEG(nullptr, 100), nullptr);
}

TEST(CUtil, NeedsGdiPlus)
{
    HBITMAP bitmap = CreateBitmap(4, 4, 1, 32, nullptr);
    std::vector<unsigned char> jpeg;
    EXPECT_FALSE(CUtil::GetJPEG(bitmap, jpeg));
    EXPECT_TRUE(jpeg.empty());
    DeleteObject(bitmap);
}

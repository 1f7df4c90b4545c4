#include "printing/CUtil.h"
#include "control/SrCtrl.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

using testing_support::Quoted;
using testing_support::RunTool;

// No GdiplusStartup anywhere here: the codec needs none.
TEST(CUtil, JpegOfABitmapDecodesWithDjpegAndBack)
{
    std::vector<BYTE> pixels(200 * 100 * 4, 0x80);
    for (size_t i = 3; i < pixels.size(); i += 4) {
        pixels[i] = 0xFF;
    }
    HBITMAP bitmap = CreateBitmap(200, 100, 1, 32, pixels.data());
    std::vector<unsigned char> jpeg{1, 2, 3};
    ASSERT_TRUE(CUtil::GetJPEG(bitmap, jpeg)) << SrCtrlGetLastError();
    DeleteObject(bitmap);

    testing_support::TempDir dir;
    testing_support::WriteFile(dir.File("x.jpg"), std::string(jpeg.begin(), jpeg.end()));
    EXPECT_EQ(RunTool("djpeg -pnm " + Quoted(dir.File("x.jpg")) + " | head -c 11").strOutput, "P6\n200 100\n");

    HBITMAP back = CUtil::CreateBitmapFromJPEG(jpeg.data(), static_cast<DWORD>(jpeg.size()));
    ASSERT_NE(back, nullptr) << SrCtrlGetLastError();
    EXPECT_NEAR(static_cast<int>(testing_support::PixelAt(back, 50, 50) & 0xFF), 0x80, 4);
    DeleteObject(back);
}

TEST(CUtil, WhatCannotBeEncodedOrDecodedSaysWhy)
{
    std::vector<unsigned char> jpeg{1, 2, 3};
    EXPECT_FALSE(CUtil::GetJPEG(nullptr, jpeg));
    EXPECT_TRUE(jpeg.empty());
    EXPECT_STREQ(SrCtrlGetLastError(), "no bitmap");
    BitmapObject stranger;
    EXPECT_FALSE(CUtil::GetJPEG(&stranger, jpeg));
    EXPECT_STREQ(SrCtrlGetLastError(), "not a bitmap");
    HBITMAP wide = CreateBitmap(65501, 1, 1, 32, nullptr);
    EXPECT_FALSE(CUtil::GetJPEG(wide, jpeg));
    EXPECT_STREQ(SrCtrlGetLastError(), "JPEG not encoded: 65501 x 1 pixels, JPEG takes 1 to 65500 a side");
    DeleteObject(wide);

    const struct {
        std::string bytes;
        const char* reason;
    } kUndecodable[] = {
        {"this is no image at all", "picture not decoded: neither JPEG nor PNG"},
        {"\xFF\xD8\xFF\xE0 and then nothing of a JPEG", "picture not decoded: "},
        {"\x89PNG\r\n\x1A\n and no header chunk", "picture not decoded: PNG without its header chunk"},
    };
    for (const auto& bad : kUndecodable) {
        const auto* data = reinterpret_cast<const unsigned char*>(bad.bytes.data());
        EXPECT_EQ(CUtil::CreateBitmapFromJPEG(data, static_cast<DWORD>(bad.bytes.size())), nullptr);
        EXPECT_EQ(std::string(SrCtrlGetLastError()).rfind(bad.reason, 0), 0u) << SrCtrlGetLastError();
        EXPECT_GT(std::string(SrCtrlGetLastError()).size(), std::string("picture not decoded: ").size());
    }
    EXPECT_EQ(CUtil::CreateBitmapFromJPEG(nullptr, 100), nullptr);
    EXPECT_STREQ(SrCtrlGetLastError(), "picture not decoded: no bytes");
}

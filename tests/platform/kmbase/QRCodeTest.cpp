#include "platform/kmbase/QRCode.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using testing_support::Quoted;
using testing_support::RunTool;

namespace {

// What zbarimg reads from the QR code of `text`.
std::string DecodeQRCodeOf(const std::string& text)
{
    testing_support::TempDir dir;
    int width = 0;
    int height = 0;
    HBITMAP bitmap = QRCode::CreateBitmapOfQRCode(text.c_str(), width, height);
    EXPECT_NE(bitmap, nullptr);
    if (bitmap == nullptr) {
        return std::string();
    }
    EXPECT_EQ(width, height);
    EXPECT_GE(width, 200);
    const std::string png = dir.File("code.png");
    EXPECT_TRUE(testing_support::WritePng(bitmap, png));
    DeleteObject(bitmap);
    // zbarimg ends the text with a newline of its own.
    auto result = RunTool("zbarimg --quiet --raw -Sbinary " + Quoted(png) + " 2>/dev/null");
    EXPECT_EQ(result.nExitCode, 0) << result.strOutput;
    if (!result.strOutput.empty() && result.strOutput.back() == '\n') {
        result.strOutput.pop_back();
    }
    return result.strOutput;
}

} // namespace

TEST(QRCode, ZbarReadsTheEncodedText)
{
    EXPECT_EQ(DecodeQRCodeOf("SR 1.2.826.0.1.3680043.9.7421.1.1 Doe^Jane"), "SR 1.2.826.0.1.3680043.9.7421.1.1 Doe^Jane");
    EXPECT_EQ(DecodeQRCodeOf("王小东 胸部CT 2026-12-06"), "王小东 胸部CT 2026-12-06");
}

TEST(QRCode, ModulesAreWholePixelsWithAQuietZone)
{
    int width = 0;
    int height = 0;
    HBITMAP bitmap = QRCode::CreateBitmapOfQRCode("A", width, height);
    ASSERT_NE(bitmap, nullptr);
    BITMAP info{};
    ASSERT_NE(GetObject(bitmap, sizeof(info), &info), 0);
    const auto* pixels = static_cast<const BYTE*>(info.bmBits);
    // Version 1 is 21 modules wide, plus 4 quiet modules on each side.
    ASSERT_EQ(width % 29, 0);
    const int module = width / 29;
    auto dark = [&](int x, int y) { return pixels[(y * width + x) * 4] == 0; };
    EXPECT_FALSE(dark(4 * module - 1, 4 * module - 1)) << "quiet zone";
    EXPECT_TRUE(dark(4 * module, 4 * module)) << "corner of the finder pattern";
    EXPECT_TRUE(dark(5 * module - 1, 5 * module - 1));
    EXPECT_FALSE(dark(5 * module, 5 * module)) << "the ring inside the finder pattern";
    DeleteObject(bitmap);
}

TEST(QRCode, NothingToEncodeGivesNoBitmap)
{
    int width = 7;
    int height = 7;
    EXPECT_EQ(QRCode::CreateBitmapOfQRCode("", width, height), nullptr);
    EXPECT_EQ(QRCode::CreateBitmapOfQRCode(nullptr, width, height), nullptr);
    EXPECT_EQ(QRCode::CreateBitmapOfQRCode(std::string(8000, 'x').c_str(), width, height), nullptr);
    EXPECT_EQ(width, 7);
    EXPECT_EQ(height, 7);
}

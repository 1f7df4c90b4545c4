#include "platform/win32/GdiPlus.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

// No GdiplusStartup: the flat calls need none.
TEST(GdiPlus, FillsARectangleOnAMemoryDC)
{
    BITMAPINFO info{};
    info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 20, -10, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP dib = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(dib, nullptr);
    ASSERT_NE(bits, nullptr);
    HGDIOBJ old = SelectObject(dc, dib);
    EXPECT_FALSE(DeleteObject(dib)) << "a selected bitmap cannot be deleted";
    GpGraphics* graphics = nullptr;
    GpSolidFill* brush = nullptr;
    EXPECT_EQ(GdipCreateFromHDC(nullptr, &graphics), InvalidParameter);
    ASSERT_EQ(GdipCreateFromHDC(dc, &graphics), Ok);
    ASSERT_EQ(GdipCreateSolidFill(0xFF336699, &brush), Ok);
    ASSERT_EQ(GdipSetPixelOffsetMode(graphics, PixelOffsetModeHalf), Ok);
    ASSERT_EQ(GdipFillRectangle(graphics, reinterpret_cast<GpBrush*>(brush), 0, 0, 10, 10), Ok);
    EXPECT_EQ(testing_support::PixelAt(dib, 5, 5), 0xFF336699u);
    EXPECT_EQ(testing_support::PixelAt(dib, 15, 5), 0u);
    EXPECT_EQ(GetDeviceCaps(dc, HORZRES), 20);
    EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSX), 96);
    GdipDeleteGraphics(graphics);
    GdipDeleteBrush(reinterpret_cast<GpBrush*>(brush));
    SelectObject(dc, old);
    DeleteDC(dc);
    EXPECT_TRUE(DeleteObject(dib));

    info.bmiHeader.biHeight = 10;
    EXPECT_EQ(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr) << "bottom-up";
    EXPECT_EQ(bits, nullptr);
}

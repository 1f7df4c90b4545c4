#include "platform/win32/WinGdi.h"

#include <gtest/gtest.h>

TEST(WinGdi, BitmapsHoldTheirPixels)
{
    const BYTE pixels[] = {1, 2, 3, 255, 4, 5, 6, 255};
    HBITMAP bitmap = CreateBitmap(2, 1, 1, 32, pixels);
    ASSERT_NE(bitmap, nullptr);
    BITMAP info{};
    ASSERT_EQ(GetObject(bitmap, sizeof(info), &info), static_cast<int>(sizeof(info)));
    EXPECT_EQ(info.bmWidth, 2);
    EXPECT_EQ(info.bmHeight, 1);
    EXPECT_EQ(info.bmWidthBytes, 8);
    EXPECT_EQ(info.bmBitsPixel, 32);
    EXPECT_EQ(static_cast<const BYTE*>(info.bmBits)[4], 4);
    EXPECT_EQ(GetObject(bitmap, sizeof(info) - 1, &info), 0);

    HBITMAP blank = CreateBitmap(3, 3, 1, 32, nullptr);
    ASSERT_NE(blank, nullptr);
    ASSERT_NE(GetObject(blank, sizeof(info), &info), 0);
    EXPECT_EQ(static_cast<const BYTE*>(info.bmBits)[35], 0);
    EXPECT_TRUE(DeleteObject(blank));
    EXPECT_TRUE(DeleteObject(bitmap));
}

TEST(WinGdi, BadSizesAndHandlesAreRefused)
{
    EXPECT_EQ(CreateBitmap(0, 5, 1, 32, nullptr), nullptr);
    EXPECT_EQ(CreateBitmap(5, -1, 1, 32, nullptr), nullptr);
    EXPECT_EQ(CreateBitmap(5, 5, 1, 24, nullptr), nullptr);
    EXPECT_EQ(CreateBitmap(100000, 100000, 1, 32, nullptr), nullptr);

    HBITMAP bitmap = CreateBitmap(1, 1, 1, 32, nullptr);
    ASSERT_TRUE(DeleteObject(bitmap));
    EXPECT_FALSE(DeleteObject(bitmap)) << "a handle is deleted once";
    EXPECT_FALSE(DeleteObject(nullptr));
    BitmapObject notRegistered;
    BITMAP info{};
    EXPECT_FALSE(DeleteObject(&notRegistered));
    EXPECT_EQ(GetObject(&notRegistered, sizeof(info), &info), 0);
}

#include "platform/win32/WinGdi.h"

#include <gtest/gtest.h>

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

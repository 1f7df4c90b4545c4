#include "platform/Host.h"
#include "platform/win32/GdiPlus.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cairo.h>

#include <cstring>
#include <vector>

using testing_support::TempDir;

namespace {

class GdiPlusTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        GdiplusStartupInput input;
        ASSERT_EQ(GdiplusStartup(&m_token, &input, nullptr), Ok);
    }
    void TearDown() override { GdiplusShutdown(m_token); }

    // Encodes through the flat calls as a caller of GDI+ does; the encoder is found by MIME type.
    std::vector<unsigned char> Encode(HBITMAP hbm, const wchar_t* mime, const EncoderParameters* parameters = nullptr)
    {
        UINT count = 0;
        UINT size = 0;
        EXPECT_EQ(GdipGetImageEncodersSize(&count, &size), Ok);
        std::vector<unsigned char> buffer(size);
        auto* encoders = reinterpret_cast<ImageCodecInfo*>(buffer.data());
        EXPECT_EQ(GdipGetImageEncoders(count, size, encoders), Ok);
        const CLSID* clsid = nullptr;
        for (UINT i = 0; i < count; ++i) {
            if (std::wcscmp(encoders[i].MimeType, mime) == 0) {
                clsid = &encoders[i].Clsid;
            }
        }
        EXPECT_NE(clsid, nullptr);
        GpBitmap* bitmap = nullptr;
        EXPECT_EQ(GdipCreateBitmapFromHBITMAP(hbm, nullptr, &bitmap), Ok);
        IStream* stream = nullptr;
        EXPECT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
        EXPECT_EQ(GdipSaveImageToStream(reinterpret_cast<GpImage*>(bitmap), stream, clsid, parameters), Ok);
        STATSTG stat{};
        EXPECT_EQ(stream->Stat(&stat, STATFLAG_DEFAULT), S_OK);
        std::vector<unsigned char> bytes(stat.cbSize.u.LowPart);
        LARGE_INTEGER start{};
        stream->Seek(start, STREAM_SEEK_SET, nullptr);
        ULONG read = 0;
        stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read);
        EXPECT_EQ(read, bytes.size());
        stream->Release();
        GdipDisposeImage(reinterpret_cast<GpImage*>(bitmap));
        return bytes;
    }

    ULONG_PTR m_token = 0;
};

// A bitmap with a left half of one colour and a right half of another.
HBITMAP TwoColours(int width, int height)
{
    std::vector<BYTE> pixels(static_cast<size_t>(width) * height * 4);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            BYTE* p = &pixels[(static_cast<size_t>(y) * width + x) * 4];
            p[0] = x < width / 2 ? 0x20 : 0xE0;
            p[1] = 0x80;
            p[2] = x < width / 2 ? 0xE0 : 0x20;
            p[3] = 0xFF;
        }
    }
    return CreateBitmap(width, height, 1, 32, pixels.data());
}

} // namespace

// djpeg reads the JPEG of a bitmap in CUtilTest; here the encoder parameters the flat calls take.
TEST_F(GdiPlusTest, AGivenJpegQualityIsUsed)
{
    HBITMAP bitmap = TwoColours(321, 123);
    const std::vector<unsigned char> jpeg = Encode(bitmap, L"image/jpeg");
    ULONG quality = 10;
    EncoderParameters parameters{1, {{EncoderQuality, 1, EncoderParameterValueTypeLong, &quality}}};
    EXPECT_LT(Encode(bitmap, L"image/jpeg", &parameters).size(), jpeg.size());
    DeleteObject(bitmap);
}

TEST_F(GdiPlusTest, CapturedWindowAsPngOpensInAPngReader)
{
    TempDir dir;
    HWND host = platform::CreateHostWindow(64, 32);
    HBITMAP shot = platform::CaptureWindow(host);
    ASSERT_NE(shot, nullptr);
    const std::vector<unsigned char> png = Encode(shot, L"image/png");
    DeleteObject(shot);
    DestroyWindow(host);
    const std::string path = dir.File("shot.png");
    testing_support::WriteFile(path, std::string(png.begin(), png.end()));
    cairo_surface_t* read = cairo_image_surface_create_from_png(path.c_str());
    ASSERT_EQ(cairo_surface_status(read), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(cairo_image_surface_get_width(read), 64);
    EXPECT_EQ(cairo_image_surface_get_height(read), 32);
    cairo_surface_destroy(read);
}

TEST_F(GdiPlusTest, BadArgumentsFail)
{
    GpBitmap* bitmap = nullptr;
    EXPECT_EQ(GdipCreateBitmapFromHBITMAP(nullptr, nullptr, &bitmap), InvalidParameter);
    BitmapObject stranger;
    EXPECT_EQ(GdipCreateBitmapFromHBITMAP(&stranger, nullptr, &bitmap), InvalidParameter);
    EXPECT_EQ(bitmap, nullptr);
    UINT count = 0;
    UINT size = 0;
    ASSERT_EQ(GdipGetImageEncodersSize(&count, &size), Ok);
    std::vector<unsigned char> small(size - 1);
    EXPECT_EQ(GdipGetImageEncoders(count, size - 1, reinterpret_cast<ImageCodecInfo*>(small.data())), InvalidParameter);
    EXPECT_EQ(GdipCreateFromHDC(nullptr, nullptr), InvalidParameter);
}

TEST(GdiPlus, CallsBeforeStartupFail)
{
    UINT count = 0;
    UINT size = 0;
    EXPECT_EQ(GdipGetImageEncodersSize(&count, &size), GdiplusNotInitialized);
    GpSolidFill* brush = nullptr;
    EXPECT_EQ(GdipCreateSolidFill(0xFFFFFFFF, &brush), GdiplusNotInitialized);
}

TEST(GdiPlus, FillsARectangleOnAMemoryDC)
{
    ULONG_PTR token = 0;
    GdiplusStartupInput input;
    ASSERT_EQ(GdiplusStartup(&token, &input, nullptr), Ok);
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
    GdiplusShutdown(token);

    info.bmiHeader.biHeight = 10;
    EXPECT_EQ(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr) << "bottom-up";
    EXPECT_EQ(bits, nullptr);
}

TEST(MemoryStream, ReadsWritesAndSeeks)
{
    IStream* stream = nullptr;
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
    ULONG done = 0;
    ASSERT_EQ(stream->Write("abcdef", 6, &done), S_OK);
    LARGE_INTEGER back{-4};
    ULARGE_INTEGER position{};
    ASSERT_EQ(stream->Seek(back, STREAM_SEEK_CUR, &position), S_OK);
    EXPECT_EQ(position.QuadPart, 2u);
    char buffer[8] = {};
    EXPECT_EQ(stream->Read(buffer, 8, &done), S_FALSE) << "fewer bytes than asked";
    EXPECT_EQ(done, 4u);
    EXPECT_STREQ(buffer, "cdef");
    LARGE_INTEGER before{-1};
    EXPECT_NE(stream->Seek(before, STREAM_SEEK_SET, nullptr), S_OK);
    EXPECT_NE(stream->Stat(nullptr, STATFLAG_DEFAULT), S_OK);
    EXPECT_EQ(stream->Release(), 0u);
    EXPECT_NE(CreateStreamOnHGlobal(reinterpret_cast<HGLOBAL>(1), TRUE, &stream), S_OK);
}

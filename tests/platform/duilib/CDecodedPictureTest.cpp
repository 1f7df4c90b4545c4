#include "platform/duilib/CDecodedPicture.h"
#include "platform/duilib/CRenderEngine.h"
#include "support/TestSupport.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <string>

using DuiLib::CDecodedPicture;
using DuiLib::CRenderEngine;

namespace {

std::string Bytes(const char* name)
{
    return testing_support::ReadFile(testing_support::DataFile(std::string("images/") + name));
}

// A PNG whose left half is transparent and right half opaque red.
std::string HalfTransparentPng()
{
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 20, 20);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 1, 0, 0);
    cairo_rectangle(cr, 10, 0, 10, 20);
    cairo_fill(cr);
    cairo_destroy(cr);
    std::string png;
    cairo_surface_write_to_png_stream(
        surface,
        [](void* closure, const unsigned char* data, unsigned int length) {
            static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
            return CAIRO_STATUS_SUCCESS;
        },
        &png);
    cairo_surface_destroy(surface);
    return png;
}

const unsigned char* Data(const std::string& bytes)
{
    return reinterpret_cast<const unsigned char*>(bytes.data());
}

} // namespace

TEST(CDecodedPicture, EqualBytesShareOneDecodeWhileAnyBoxHoldsIt)
{
    const std::string red = Bytes("red.jpg");
    // A document pads the JPEG to an even length: other bytes, another picture.
    const std::string padded = red + std::string(1, '\0');
    auto first = CDecodedPicture::Get(Data(red), red.size());
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(CDecodedPicture::Get(Data(std::string(red)), red.size()), first) << "a copy of the bytes is the same picture";
    EXPECT_NE(CDecodedPicture::Get(Data(padded), padded.size()), first);
    const std::string blue = Bytes("blue.jpg");
    EXPECT_NE(CDecodedPicture::Get(Data(blue), blue.size()), first);

    first.reset();
    auto again = CDecodedPicture::Get(Data(red), red.size());
    ASSERT_NE(again, nullptr) << "once released, the bytes are decoded anew";
    EXPECT_NE(again->GetSurface(), nullptr);

    EXPECT_EQ(CDecodedPicture::Get(nullptr, 10), nullptr);
    EXPECT_EQ(CDecodedPicture::Get(Data(red), 0), nullptr);
    const std::string truncated = red.substr(0, 40);
    EXPECT_EQ(CDecodedPicture::Get(Data(truncated), truncated.size()), nullptr);
}

TEST(CDecodedPicture, ItsSurfacePaintsWhatItsBitmapPaints)
{
    // The shared surface of a JPEG is opaque RGB; a PNG keeps its transparency.
    for (const std::string& bytes : {Bytes("red.jpg"), HalfTransparentPng()}) {
        SCOPED_TRACE(bytes.substr(1, 3));
        auto picture = CDecodedPicture::Get(Data(bytes), bytes.size());
        ASSERT_NE(picture, nullptr);
        HBITMAP decoded = CRenderEngine::CreateBitmap(Data(bytes), bytes.size());
        ASSERT_NE(decoded, nullptr);
        const RECT box{0, 0, 64, 48};
        HBITMAP targets[2] = {CreateBitmap(64, 48, 1, 32, nullptr), CreateBitmap(64, 48, 1, 32, nullptr)};
        for (int k = 0; k < 2; ++k) {
            HDC dc = CreateCompatibleDC(nullptr);
            HGDIOBJ old = SelectObject(dc, targets[k]);
            CRenderEngine::DrawColor(dc, box, 0xFF00FF00);
            if (k == 0) {
                CRenderEngine::DrawSurface(dc, picture->GetSurface(), box);
            } else {
                CRenderEngine::DrawImage(dc, decoded, box);
            }
            SelectObject(dc, old);
            DeleteDC(dc);
        }
        EXPECT_EQ(testing_support::PixelAt(targets[0], 20, 24) == 0xFF00FF00, bytes[1] == 'P') << "transparency kept";
        for (int y = 0; y < 48; ++y) {
            for (int x = 0; x < 64; ++x) {
                ASSERT_EQ(testing_support::PixelAt(targets[0], x, y), testing_support::PixelAt(targets[1], x, y)) << x << "," << y;
            }
        }
        DeleteObject(targets[0]);
        DeleteObject(targets[1]);
        DeleteObject(decoded);
    }
}

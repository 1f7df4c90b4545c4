#include "platform/duilib/CRenderEngine.h"

#include "platform/duilib/CPaintManagerUI.h"
#include "platform/kmbase/KMString.h"
#include "platform/win32/DeviceContext.h"
#include "platform/win32/ImageCodec.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <utility>
#include <vector>

namespace DuiLib {

namespace {

void SetColor(cairo_t* cr, DWORD color)
{
    cairo_set_source_rgba(cr, ((color >> 16) & 0xFF) / 255.0, ((color >> 8) & 0xFF) / 255.0, (color & 0xFF) / 255.0,
                          ((color >> 24) & 0xFF) / 255.0);
}

// A Pango layout for the text in the manager's font, scaled by its zoom ratio.
PangoLayout* MakeLayout(cairo_t* cr, CPaintManagerUI* manager, LPCTSTR text, int font)
{
    PangoLayout* layout = pango_cairo_create_layout(cr);
    const TFontInfo& info = manager->GetFont(font);
    PangoFontDescription* description = pango_font_description_new();
    pango_font_description_set_family(description, KMString(info.sFamily).c_str());
    pango_font_description_set_absolute_size(
        description, std::max(1.0, info.iSize * static_cast<double>(manager->GetZoomRatio())) * PANGO_SCALE);
    pango_font_description_set_weight(description, info.bBold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_style(description, info.bItalic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    pango_layout_set_font_description(layout, description);
    pango_font_description_free(description);
    const std::string utf8 = KMString(text != nullptr ? text : L"").str();
    pango_layout_set_text(layout, utf8.c_str(), static_cast<int>(utf8.size()));
    return layout;
}

// A surface over the bitmap's pixels, or null when Cairo cannot take it (wider or higher than
// 32767 pixels: as a source such an image would put the context in error and drop everything
// painted after it).
cairo_surface_t* SurfaceOver(const BitmapObject& image)
{
    // A JPEG has no transparency; saying so spares a PDF page a scan of every pixel for it.
    const cairo_format_t format = image.vecJpeg.empty() ? CAIRO_FORMAT_ARGB32 : CAIRO_FORMAT_RGB24;
    cairo_surface_t* surface = cairo_image_surface_create_for_data(const_cast<BYTE*>(image.vecBits.data()), format,
                                                                   image.nWidth, image.nHeight, image.nWidth * 4);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    return surface;
}

// Lets a vector surface embed the JPEG a bitmap came from rather than its decoded pixels; Cairo
// may keep the surface after the call, so it gets its own copy of the bytes.
void AttachJpeg(cairo_surface_t* surface, const BitmapObject& image)
{
    if (image.vecJpeg.empty()) {
        return;
    }
    auto* copy = static_cast<unsigned char*>(std::malloc(image.vecJpeg.size()));
    if (copy == nullptr) {
        return;
    }
    std::memcpy(copy, image.vecJpeg.data(), image.vecJpeg.size());
    if (cairo_surface_set_mime_data(surface, CAIRO_MIME_TYPE_JPEG, copy, image.vecJpeg.size(), std::free, copy) !=
        CAIRO_STATUS_SUCCESS) {
        std::free(copy);
    }
}

bool IsVectorTarget(cairo_t* cr)
{
    const cairo_surface_type_t target = cairo_surface_get_type(cairo_get_target(cr));
    return target == CAIRO_SURFACE_TYPE_PDF || target == CAIRO_SURFACE_TYPE_PS;
}

// Text measurement needs no surface to draw on; one small context serves every call.
cairo_t* MeasuringContext()
{
    static cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
    static cairo_t* cr = cairo_create(surface);
    return cr;
}

} // namespace

HBITMAP CRenderEngine::CreateBitmap(const unsigned char* data, size_t length)
{
    int width = 0;
    int height = 0;
    std::vector<BYTE> pixels;
    if (!ImageCodec::Decode(data, length, kMaxImageBytes, width, height, pixels)) {
        return nullptr;
    }
    HBITMAP bitmap = platform::AdoptBitmap(width, height, std::move(pixels));
    if (bitmap != nullptr && data[0] == 0xFF && data[1] == 0xD8) {
        // Without its JPEG the bitmap still paints; a printed page only grows larger.
        try {
            bitmap->vecJpeg.assign(data, data + length);
        } catch (const std::bad_alloc&) {
            bitmap->vecJpeg.clear();
        }
    }
    return bitmap;
}

void CRenderEngine::DrawColor(HDC hDC, const RECT& rc, DWORD color)
{
    cairo_t* cr = platform::GetCairo(hDC);
    if (cr == nullptr || (color >> 24) == 0 || rc.right <= rc.left || rc.bottom <= rc.top) {
        return;
    }
    SetColor(cr, color);
    cairo_rectangle(cr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
    cairo_fill(cr);
}

void CRenderEngine::DrawRect(HDC hDC, const RECT& rc, int size, DWORD color)
{
    cairo_t* cr = platform::GetCairo(hDC);
    if (cr == nullptr || (color >> 24) == 0 || size <= 0) {
        return;
    }
    SetColor(cr, color);
    cairo_set_line_width(cr, size);
    const double half = size / 2.0;
    cairo_rectangle(cr, rc.left + half, rc.top + half, rc.right - rc.left - size, rc.bottom - rc.top - size);
    cairo_stroke(cr);
}

void CRenderEngine::DrawLine(HDC hDC, int x1, int y1, int x2, int y2, int size, DWORD color)
{
    cairo_t* cr = platform::GetCairo(hDC);
    if (cr == nullptr || (color >> 24) == 0 || size <= 0) {
        return;
    }
    SetColor(cr, color);
    cairo_set_line_width(cr, size);
    // Centre one-pixel lines on pixels so that they stay sharp.
    const double offset = size % 2 == 1 ? 0.5 : 0.0;
    cairo_move_to(cr, x1 + offset, y1 + offset);
    cairo_line_to(cr, x2 + offset, y2 + offset);
    cairo_stroke(cr);
}

namespace {

// One wave, up and down over twice its height, in whole pixels (smoothed, a thin zigzag turns
// pink), kept for the next word: a page's waves share their height and colour.
class WaveTile {
public:
    ~WaveTile()
    {
        if (m_pSurface != nullptr) {
            cairo_surface_destroy(m_pSurface);
        }
    }
    cairo_surface_t* Get(int height, DWORD color)
    {
        if (m_pSurface != nullptr && height == m_nHeight && color == m_dwColor) {
            return m_pSurface;
        }
        if (m_pSurface != nullptr) {
            cairo_surface_destroy(m_pSurface);
        }
        m_nHeight = height;
        m_dwColor = color;
        m_pSurface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 2 * height, height + 1);
        cairo_t* cr = cairo_create(m_pSurface);
        cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
        SetColor(cr, color);
        cairo_set_line_width(cr, std::max(1.0, height / 2.0));
        cairo_move_to(cr, 0, height + 0.5);
        cairo_line_to(cr, height, 0.5);
        cairo_line_to(cr, 2 * height, height + 0.5);
        cairo_stroke(cr);
        cairo_destroy(cr);
        return m_pSurface;
    }

private:
    cairo_surface_t* m_pSurface = nullptr;
    int m_nHeight = 0;
    DWORD m_dwColor = 0;
};

} // namespace

void CRenderEngine::DrawWave(HDC hDC, int x1, int x2, int y, int height, DWORD color)
{
    cairo_t* cr = platform::GetCairo(hDC);
    if (cr == nullptr || (color >> 24) == 0 || height <= 0 || x2 <= x1) {
        return;
    }
    // The tile repeated along the word: a long zigzag stroked point by point costs a keystroke
    // far more.
    static WaveTile tile;
    cairo_pattern_t* pattern = cairo_pattern_create_for_surface(tile.Get(height, color));
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_REPEAT);
    cairo_matrix_t matrix;
    cairo_matrix_init_translate(&matrix, -x1, -y);
    cairo_pattern_set_matrix(pattern, &matrix);
    cairo_save(cr);
    cairo_set_source(cr, pattern);
    cairo_rectangle(cr, x1, y, x2 - x1, height + 1);
    cairo_fill(cr);
    cairo_restore(cr);
    cairo_pattern_destroy(pattern);
}

void CRenderEngine::DrawImage(HDC hDC, HBITMAP bitmap, const RECT& rc)
{
    cairo_t* cr = platform::GetCairo(hDC);
    BitmapObject* image = platform::LookupBitmap(bitmap);
    if (cr == nullptr || image == nullptr) {
        return;
    }
    cairo_surface_t* source = SurfaceOver(*image);
    if (source == nullptr) {
        return;
    }
    if (IsVectorTarget(cr)) {
        AttachJpeg(source, *image);
    }
    DrawSurface(hDC, source, rc);
    cairo_surface_destroy(source);
}

cairo_surface_t* CRenderEngine::CreateSurface(HBITMAP bitmap)
{
    BitmapObject* image = platform::LookupBitmap(bitmap);
    cairo_surface_t* surface = image != nullptr ? SurfaceOver(*image) : nullptr;
    if (surface != nullptr) {
        AttachJpeg(surface, *image);
    }
    return surface;
}

void CRenderEngine::DrawSurface(HDC hDC, cairo_surface_t* surface, const RECT& rc)
{
    cairo_t* cr = platform::GetCairo(hDC);
    const int width = rc.right - rc.left;
    const int height = rc.bottom - rc.top;
    // A context in error would answer cairo_get_source below with a new pattern of its own,
    // which nobody frees.
    if (cr == nullptr || cairo_status(cr) != CAIRO_STATUS_SUCCESS || surface == nullptr || width <= 0 || height <= 0) {
        return;
    }
    const int imageWidth = cairo_image_surface_get_width(surface);
    const int imageHeight = cairo_image_surface_get_height(surface);
    const double scale = std::min(static_cast<double>(width) / imageWidth, static_cast<double>(height) / imageHeight);
    const double drawnWidth = imageWidth * scale;
    const double drawnHeight = imageHeight * scale;
    cairo_save(cr);
    cairo_translate(cr, rc.left + (width - drawnWidth) / 2.0, rc.top + (height - drawnHeight) / 2.0);
    cairo_scale(cr, scale, scale);
    cairo_set_source_surface(cr, surface, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
    cairo_rectangle(cr, 0, 0, imageWidth, imageHeight);
    cairo_fill(cr);
    cairo_restore(cr);
}

void CRenderEngine::DrawText(HDC hDC, CPaintManagerUI* manager, const RECT& rc, LPCTSTR text, DWORD color, int font,
                             unsigned style)
{
    cairo_t* cr = platform::GetCairo(hDC);
    const int width = rc.right - rc.left;
    const int height = rc.bottom - rc.top;
    if (cr == nullptr || manager == nullptr || text == nullptr || *text == L'\0' || width <= 0 || height <= 0 ||
        (color >> 24) == 0) {
        return;
    }
    PangoLayout* layout = MakeLayout(cr, manager, text, font);
    const bool wrap = (style & DT_WORDBREAK) != 0;
    if (wrap) {
        pango_layout_set_width(layout, width * PANGO_SCALE);
        pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
        pango_layout_set_alignment(layout, (style & DT_CENTER) != 0   ? PANGO_ALIGN_CENTER
                                           : (style & DT_RIGHT) != 0 ? PANGO_ALIGN_RIGHT
                                                                      : PANGO_ALIGN_LEFT);
    }
    PangoRectangle logical{};
    pango_layout_get_pixel_extents(layout, nullptr, &logical);
    double x = rc.left;
    if (!wrap && (style & DT_CENTER) != 0) {
        x += (width - logical.width) / 2.0;
    } else if (!wrap && (style & DT_RIGHT) != 0) {
        x += width - logical.width;
    }
    double y = rc.top;
    if ((style & DT_VCENTER) != 0) {
        y += (height - logical.height) / 2.0;
    } else if ((style & DT_BOTTOM) != 0) {
        y += height - logical.height;
    }
    cairo_save(cr);
    cairo_rectangle(cr, rc.left, rc.top, width, height);
    cairo_clip(cr);
    SetColor(cr, color);
    cairo_move_to(cr, x, y);
    pango_cairo_show_layout(cr, layout);
    cairo_restore(cr);
    g_object_unref(layout);
}

int CRenderEngine::CountUnknownGlyphs(CPaintManagerUI* manager, LPCTSTR text, int font)
{
    if (manager == nullptr || text == nullptr) {
        return 0;
    }
    PangoLayout* layout = MakeLayout(MeasuringContext(), manager, text, font);
    const int unknown = pango_layout_get_unknown_glyphs_count(layout);
    g_object_unref(layout);
    return unknown;
}

void CRenderEngine::PushClip(HDC hDC, const RECT& rc)
{
    DeviceContext* dc = platform::LookupDC(hDC);
    cairo_t* cr = dc != nullptr ? dc->pCairo : nullptr;
    if (cr == nullptr) {
        return;
    }
    cairo_save(cr);
    cairo_rectangle(cr, rc.left, rc.top, std::max<LONG>(0, rc.right - rc.left), std::max<LONG>(0, rc.bottom - rc.top));
    cairo_clip(cr);
    double x0 = rc.left;
    double y0 = rc.top;
    double x1 = rc.right;
    double y1 = rc.bottom;
    cairo_user_to_device(cr, &x0, &y0);
    cairo_user_to_device(cr, &x1, &y1);
    std::array<double, 4> clip{std::min(x0, x1), std::min(y0, y1), std::max(x0, x1), std::max(y0, y1)};
    if (!dc->vecClips.empty()) {
        const std::array<double, 4>& outer = dc->vecClips.back();
        clip = {std::max(clip[0], outer[0]), std::max(clip[1], outer[1]), std::min(clip[2], outer[2]),
                std::min(clip[3], outer[3])};
    }
    dc->vecClips.push_back(clip);
}

void CRenderEngine::PopClip(HDC hDC)
{
    DeviceContext* dc = platform::LookupDC(hDC);
    if (dc == nullptr || dc->pCairo == nullptr) {
        return;
    }
    cairo_restore(dc->pCairo);
    if (!dc->vecClips.empty()) {
        dc->vecClips.pop_back();
    }
}

RECT CRenderEngine::ClipTo(HDC hDC, const RECT& rc)
{
    DeviceContext* dc = platform::LookupDC(hDC);
    if (dc == nullptr || dc->pCairo == nullptr || dc->vecClips.empty()) {
        return rc;
    }
    const std::array<double, 4>& clip = dc->vecClips.back();
    double x0 = clip[0];
    double y0 = clip[1];
    double x1 = clip[2];
    double y1 = clip[3];
    cairo_device_to_user(dc->pCairo, &x0, &y0);
    cairo_device_to_user(dc->pCairo, &x1, &y1);
    // A clip set on whole pixels comes back through the scale with rounding errors.
    const auto whole = [](double v, bool up) {
        const double bounded = std::clamp(v, -1e9, 1e9);
        return static_cast<LONG>(up ? std::ceil(bounded - 0.01) : std::floor(bounded + 0.01));
    };
    const RECT clipped{std::max<LONG>(rc.left, whole(std::min(x0, x1), false)),
                       std::max<LONG>(rc.top, whole(std::min(y0, y1), false)),
                       std::min<LONG>(rc.right, whole(std::max(x0, x1), true)),
                       std::min<LONG>(rc.bottom, whole(std::max(y0, y1), true))};
    if (clipped.right <= clipped.left || clipped.bottom <= clipped.top) {
        return RECT{rc.left, rc.top, rc.left, rc.top};
    }
    return clipped;
}

} // namespace DuiLib

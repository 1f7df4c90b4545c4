#pragma once

#include "platform/win32/WinBitmap.h"

#include <cstddef>
#include <memory>
#include <vector>

typedef struct _cairo_surface cairo_surface_t;

namespace DuiLib {

// A picture decoded from JPEG or PNG bytes, shared by every picture box that shows the same
// bytes: a key image on the screen page, on its printed copy and in a preview is decoded once
// while any of them holds it (a 512 x 512 JPEG takes milliseconds to decode). Never changed once
// made, so boxes on any page may share it.
class CDecodedPicture {
public:
    // The picture of `data`: the one already decoded from equal bytes if a box still holds it,
    // otherwise a new decode. Null when the bytes do not decode (as CRenderEngine::CreateBitmap).
    static std::shared_ptr<const CDecodedPicture> Get(const unsigned char* data, size_t length);

    CDecodedPicture(HBITMAP bitmap, std::vector<unsigned char> bytes);
    ~CDecodedPicture();
    CDecodedPicture(const CDecodedPicture&) = delete;
    CDecodedPicture& operator=(const CDecodedPicture&) = delete;

    // Owned by the picture; only drawn from (CRenderEngine::DrawSurface). Null when Cairo cannot
    // take the bitmap.
    cairo_surface_t* GetSurface() const { return m_pSurface; }

private:
    HBITMAP m_hBitmap;
    cairo_surface_t* m_pSurface;
    std::vector<unsigned char> m_vecBytes;
};

} // namespace DuiLib

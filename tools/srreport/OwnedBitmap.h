#pragma once

#include "platform/win32/WinBitmap.h"

// A bitmap that the control handed over, deleted when the holder goes.
class OwnedBitmap {
public:
    explicit OwnedBitmap(HBITMAP bitmap) : m_hBitmap(bitmap) {}
    ~OwnedBitmap()
    {
        if (m_hBitmap != nullptr) {
            DeleteObject(m_hBitmap);
        }
    }
    OwnedBitmap(const OwnedBitmap&) = delete;
    OwnedBitmap& operator=(const OwnedBitmap&) = delete;

    HBITMAP Get() const { return m_hBitmap; }

private:
    HBITMAP m_hBitmap;
};

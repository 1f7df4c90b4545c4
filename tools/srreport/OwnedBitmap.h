#pragma once

#include "platform/win32/WinBitmap.h"

// A bitmap that the control handed over, deleted when the holder goes.
class OwnedBitmap {
public:
    explicit OwnedBitmap(srctrl::HBITMAP bitmap) : m_hBitmap(bitmap) {}
    ~OwnedBitmap()
    {
        if (m_hBitmap != nullptr) {
            srctrl::DeleteObject(m_hBitmap);
        }
    }
    OwnedBitmap(const OwnedBitmap&) = delete;
    OwnedBitmap& operator=(const OwnedBitmap&) = delete;

    srctrl::HBITMAP Get() const { return m_hBitmap; }

private:
    srctrl::HBITMAP m_hBitmap;
};

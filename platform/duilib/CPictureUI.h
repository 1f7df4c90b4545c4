#pragma once

#include "platform/duilib/CControlUI.h"

namespace DuiLib {

// A picture box: shows a decoded image scaled to fit, aspect ratio kept, centred.
class SRCTRL_API CPictureUI : public CControlUI {
public:
    ~CPictureUI() override;
    LPCTSTR GetClass() const override;

    // Decodes JPEG or PNG bytes (used only during the call) and shows the image. False, with
    // the previous picture kept, when the bytes do not decode.
    bool SetPicture(const unsigned char* data, int length);
    bool HasPicture() const { return m_hPicture != nullptr; }

protected:
    void PaintBkImage(HDC hDC) override;

private:
    HBITMAP m_hPicture = nullptr;
};

} // namespace DuiLib

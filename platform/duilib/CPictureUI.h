#pragma once

#include "platform/duilib/CControlUI.h"

#include <memory>

namespace DuiLib {

class CDecodedPicture;

// A picture box: shows a decoded image scaled to fit, aspect ratio kept, centred.
class SRCTRL_API CPictureUI : public CControlUI {
public:
    CPictureUI();
    ~CPictureUI() override;
    LPCTSTR GetClass() const override;

    // Shows the image of JPEG or PNG bytes (used only during the call), decoded unless another
    // box shows the same bytes already. False, with the previous picture kept, when the bytes do
    // not decode.
    bool SetPicture(const unsigned char* data, int length);
    // Shows no picture.
    void ClearPicture();
    bool HasPicture() const { return m_pPicture != nullptr; }

protected:
    void PaintBkImage(HDC hDC) override;

private:
    std::shared_ptr<const CDecodedPicture> m_pPicture;
};

} // namespace DuiLib

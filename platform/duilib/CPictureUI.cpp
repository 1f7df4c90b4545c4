#include "platform/duilib/CPictureUI.h"

#include "platform/duilib/CRenderEngine.h"

namespace DuiLib {

CPictureUI::~CPictureUI()
{
    DeleteObject(m_hPicture);
}

LPCTSTR CPictureUI::GetClass() const { return L"Picture"; }

bool CPictureUI::SetPicture(const unsigned char* data, int length)
{
    if (data == nullptr || length <= 0) {
        return false;
    }
    HBITMAP bitmap = CRenderEngine::CreateBitmap(data, static_cast<size_t>(length));
    if (bitmap == nullptr) {
        return false;
    }
    DeleteObject(m_hPicture);
    m_hPicture = bitmap;
    return true;
}

void CPictureUI::PaintBkImage(HDC hDC)
{
    CControlUI::PaintBkImage(hDC);
    if (m_hPicture != nullptr) {
        CRenderEngine::DrawImage(hDC, m_hPicture, m_rcItem);
    }
}

} // namespace DuiLib

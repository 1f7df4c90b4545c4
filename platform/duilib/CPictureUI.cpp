#include "platform/duilib/CPictureUI.h"

#include "platform/duilib/CDecodedPicture.h"
#include "platform/duilib/CRenderEngine.h"

namespace DuiLib {

CPictureUI::CPictureUI() = default;

CPictureUI::~CPictureUI() = default;

LPCTSTR CPictureUI::GetClass() const { return L"Picture"; }

bool CPictureUI::SetPicture(const unsigned char* data, int length)
{
    if (data == nullptr || length <= 0) {
        return false;
    }
    std::shared_ptr<const CDecodedPicture> picture = CDecodedPicture::Get(data, static_cast<size_t>(length));
    if (picture == nullptr) {
        return false;
    }
    m_pPicture = std::move(picture);
    Invalidate();
    return true;
}

void CPictureUI::ClearPicture()
{
    if (m_pPicture != nullptr) {
        m_pPicture.reset();
        Invalidate();
    }
}

void CPictureUI::PaintBkImage(HDC hDC)
{
    CControlUI::PaintBkImage(hDC);
    if (m_pPicture != nullptr) {
        CRenderEngine::DrawSurface(hDC, m_pPicture->GetSurface(), m_rcItem);
    }
}

} // namespace DuiLib

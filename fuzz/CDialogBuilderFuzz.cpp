// Feeds arbitrary bytes to the skin builder as skin XML, then lays the result out and paints it.
#include "platform/duilib/CDialogBuilder.h"
#include "platform/duilib/CPaintManagerUI.h"

#include <cstddef>
#include <cstdint>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    DuiLib::CPaintManagerUI manager;
    DuiLib::CDialogBuilder builder;
    DuiLib::CControlUI* root = builder.CreateFromXml(reinterpret_cast<const char*>(data), size, nullptr, &manager);
    if (root == nullptr) {
        return 0;
    }
    manager.AttachDialog(root);
    root->SetPos(RECT{0, 0, 320, 240});
    HBITMAP bitmap = CreateBitmap(320, 240, 1, 32, nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    manager.SetZoomRatio(1.5f);
    root->SetPos(RECT{0, 0, 320, 240});
    root->Paint(dc, RECT{0, 0, 320, 240}, nullptr);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bitmap);
    return 0;
}

#include "platform/kmbase/QRCode.h"

#include <qrencode.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr int kQuietZone = 4;
// Codes come out near this many pixels wide, so that a small code is still sharp when a box
// shows it larger.
constexpr int kTargetPixels = 256;

struct QRcodeDeleter {
    void operator()(QRcode* code) const { QRcode_free(code); }
};

} // namespace

HBITMAP QRCode::CreateBitmapOfQRCode(const char* text, int& width, int& height)
{
    if (text == nullptr || *text == '\0') {
        return nullptr;
    }
    const auto* data = reinterpret_cast<const unsigned char*>(text);
    std::unique_ptr<QRcode, QRcodeDeleter> code(
        QRcode_encodeData(static_cast<int>(std::strlen(text)), data, 0, QR_ECLEVEL_M));
    if (!code) {
        return nullptr;
    }
    const int modules = code->width + 2 * kQuietZone;
    const int scale = modules >= kTargetPixels ? 1 : kTargetPixels / modules;
    const int side = modules * scale;

    std::vector<BYTE> pixels(static_cast<size_t>(side) * side * 4, 0xFF);
    for (int y = 0; y < code->width; ++y) {
        for (int x = 0; x < code->width; ++x) {
            if ((code->data[y * code->width + x] & 1) == 0) {
                continue;
            }
            for (int dy = 0; dy < scale; ++dy) {
                const int row = (y + kQuietZone) * scale + dy;
                BYTE* start = &pixels[(static_cast<size_t>(row) * side + (x + kQuietZone) * scale) * 4];
                for (int dx = 0; dx < scale; ++dx) {
                    start[dx * 4 + 0] = 0;
                    start[dx * 4 + 1] = 0;
                    start[dx * 4 + 2] = 0;
                }
            }
        }
    }
    HBITMAP bitmap = CreateBitmap(side, side, 1, 32, pixels.data());
    if (bitmap != nullptr) {
        width = side;
        height = side;
    }
    return bitmap;
}

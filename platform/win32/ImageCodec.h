#pragma once

#include "platform/win32/WinDef.h"

#include <cstddef>
#include <vector>

// JPEG (libjpeg-turbo) and PNG (Cairo) coding of 32-bit BGRA pixels, top-down rows without
// padding, alpha premultiplied. Decoders refuse images whose pixels would take more than
// `maxBytes`, judged from the declared size before any pixel is decoded. Every call reports
// failure as false and leaves the output empty.
class ImageCodec {
public:
    static bool EncodeJpeg(const BYTE* pixels, int width, int height, int quality, std::vector<unsigned char>& jpeg);
    static bool EncodePng(const BYTE* pixels, int width, int height, std::vector<unsigned char>& png);
    static bool Decode(const unsigned char* data, size_t length, size_t maxBytes, int& width, int& height,
                       std::vector<BYTE>& pixels);

private:
    static bool DecodeJpeg(const unsigned char* data, size_t length, size_t maxBytes, int& width, int& height,
                           std::vector<BYTE>& pixels);
    static bool DecodePng(const unsigned char* data, size_t length, size_t maxBytes, int& width, int& height,
                          std::vector<BYTE>& pixels);
};

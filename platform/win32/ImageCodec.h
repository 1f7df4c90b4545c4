#pragma once

#include "platform/win32/WinDef.h"

#include <cstddef>
#include <vector>

// JPEG (libjpeg-turbo's TurboJPEG) and PNG (Cairo) decoding, and JPEG encoding, of 32-bit BGRA
// pixels: top-down rows without padding, alpha premultiplied. Nothing needs starting first.
// Decoders refuse images whose pixels would take more than `maxBytes`, judged from the declared
// size before any pixel is decoded. Every call reports failure as false, leaves the output empty
// and sets the reason (KMLastError): "JPEG not encoded: ..." or "picture not decoded: ...".
class ImageCodec {
public:
    // The quality of the JPEG pictures that documents keep.
    static constexpr int kDocumentQuality = 75;

    static bool EncodeJpeg(const BYTE* pixels, int width, int height, int quality, std::vector<unsigned char>& jpeg);
    // The same from 8-bit samples, `channels` a pixel: 1 (grey, kept as a one-component JPEG) or
    // 3 (R, G, B).
    static bool EncodeJpegSamples(const BYTE* samples, int width, int height, int channels, int quality,
                                  std::vector<unsigned char>& jpeg);
    static bool Decode(const unsigned char* data, size_t length, size_t maxBytes, int& width, int& height,
                       std::vector<BYTE>& pixels);

private:
    static bool Encode(const BYTE* pixels, int width, int height, int pixelFormat, int quality, std::vector<unsigned char>& jpeg);
    static bool DecodeJpeg(const unsigned char* data, size_t length, size_t maxBytes, int& width, int& height,
                           std::vector<BYTE>& pixels);
    static bool DecodePng(const unsigned char* data, size_t length, size_t maxBytes, int& width, int& height,
                          std::vector<BYTE>& pixels);
};

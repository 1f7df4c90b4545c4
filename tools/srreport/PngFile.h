#pragma once

#include "platform/win32/WinBitmap.h"

#include <string>

// Writes a bitmap of the control (32-bit BGRA, top-down) as a PNG file through Cairo; throws
// Failure (output error) when the file cannot be written.
void WritePng(HBITMAP bitmap, const std::string& path);

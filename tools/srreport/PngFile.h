#pragma once

#include "platform/win32/WinBitmap.h"

#include <string>

// A bitmap of the control (32-bit BGRA, top-down) encoded as PNG by Cairo; throws Failure when
// the control gave no bitmap or Cairo cannot encode it.
std::string EncodePng(srctrl::HBITMAP bitmap);

#pragma once

// What every source file of the library is compiled with first (the build passes it with
// -include): the Windows names of the interface in the global namespace, and `platform::` for
// the library's platform layer, as the control's code is written with them. Hosts never see it.
#include "platform/win32/Win32Names.h"

namespace srctrl::platform {
}
namespace platform = srctrl::platform;

// The GDI and window objects behind the handles, which the library defines.
using srctrl::BitmapObject;
using srctrl::DeviceContext;
using srctrl::GdiObject;
using srctrl::HWND__;
using srctrl::kMaxBitmapPixels;
using srctrl::kMaxWindowExtent;
using srctrl::GpStatus;
using namespace Gdiplus;

#pragma once

#include "platform/Export.h"
#include "platform/win32/WinDef.h"

#include <cstdint>

// Starting and stopping GDI+, kept for hosts ported from Windows, which call them around their use
// of the control. Nothing needs them: pictures are coded with libjpeg-turbo (CUtil), so
// IKMReport::SetImage works without a start-up, and a shut-down changes nothing.

namespace srctrl {

using ULONG_PTR = std::uintptr_t;

enum class GpStatus {
    Ok = 0,
    GenericError = 1,
    InvalidParameter = 2,
    OutOfMemory = 3,
    ObjectBusy = 4,
    InsufficientBuffer = 5,
    NotImplemented = 6,
    Win32Error = 7,
    UnknownImageFormat = 13,
    GdiplusNotInitialized = 18,
};

struct GdiplusStartupInput {
    UINT32 GdiplusVersion = 1;
    void* DebugEventCallback = nullptr;
    BOOL SuppressBackgroundThread = 0;
    BOOL SuppressExternalCodecs = 0;
};
struct GdiplusStartupOutput {
    void* NotificationHook;
    void* NotificationUnhook;
};

// A start-up gives a token (GpStatus::InvalidParameter for a null token or input, or a GdiplusVersion other
// than 1 to 3); GdiplusShutdown takes it back.
SRCTRL_API GpStatus GdiplusStartup(ULONG_PTR* token, const GdiplusStartupInput* input, GdiplusStartupOutput* output);
SRCTRL_API void GdiplusShutdown(ULONG_PTR token);

} // namespace srctrl

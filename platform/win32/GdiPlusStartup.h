#pragma once

#include "platform/Export.h"
#include "platform/win32/WinDef.h"

#include <cstdint>

// Starting GDI+, as a host does before it hands the control pictures: IKMReport::SetImage
// encodes them as JPEG through GDI+ and fails while no start-up is in force. The control itself
// never starts or stops GDI+.

using ULONG_PTR = std::uintptr_t;

enum GpStatus {
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
    BOOL SuppressBackgroundThread = FALSE;
    BOOL SuppressExternalCodecs = FALSE;
};
struct GdiplusStartupOutput {
    void* NotificationHook;
    void* NotificationUnhook;
};

// Each successful start-up returns a token; GDI+ stays up until every token is shut down.
SRCTRL_API GpStatus GdiplusStartup(ULONG_PTR* token, const GdiplusStartupInput* input, GdiplusStartupOutput* output);
SRCTRL_API void GdiplusShutdown(ULONG_PTR token);

#pragma once

#include "platform/win32/GdiPlusStartup.h"
#include "platform/win32/WinBitmap.h"
#include "platform/win32/WinDef.h"
#include "platform/win32/WinWindow.h"

// For hosts ported from Windows: the Windows names of the control's interface in the global
// namespace as <windows.h> declares them, with TRUE and FALSE (unless another header defined
// them), and GDI+'s start-up in namespace Gdiplus as <gdiplus.h> declares it. Include it only where no other library declares
// these names (X11's Xmd.h has its own BOOL); elsewhere write srctrl::HWND, or put
// `using namespace srctrl;` in a function.

using srctrl::BITMAP;
using srctrl::BOOL;
using srctrl::BYTE;
using srctrl::DWORD;
using srctrl::HANDLE;
using srctrl::HBITMAP;
using srctrl::HDC;
using srctrl::HGDIOBJ;
using srctrl::HWND;
using srctrl::LONG;
using srctrl::LPVOID;
using srctrl::POINT;
using srctrl::RECT;
using srctrl::SIZE;
using srctrl::SYSTEMTIME;
using srctrl::UINT;
using srctrl::UINT32;
using srctrl::ULONG_PTR;
using srctrl::WORD;

using srctrl::CreateBitmap;
using srctrl::DeleteObject;
using srctrl::DestroyWindow;
using srctrl::GetClientRect;
using srctrl::GetObject;
using srctrl::GetParent;
using srctrl::GetWindowRect;
using srctrl::IsWindow;
using srctrl::IsWindowVisible;
using srctrl::MoveWindow;
using srctrl::ShowWindow;
using srctrl::SW_HIDE;
using srctrl::SW_SHOW;

// GDI+ keeps its names in its namespace, as <gdiplus.h> does (its status type as GpStatus, the
// name GDI+ also has for it: Xlib's Status is a macro).
namespace Gdiplus {
using srctrl::GdiplusShutdown;
using srctrl::GdiplusStartup;
using srctrl::GdiplusStartupInput;
using srctrl::GdiplusStartupOutput;
using srctrl::GpStatus;
constexpr GpStatus Ok = GpStatus::Ok;
constexpr GpStatus GenericError = GpStatus::GenericError;
constexpr GpStatus InvalidParameter = GpStatus::InvalidParameter;
constexpr GpStatus OutOfMemory = GpStatus::OutOfMemory;
constexpr GpStatus ObjectBusy = GpStatus::ObjectBusy;
constexpr GpStatus InsufficientBuffer = GpStatus::InsufficientBuffer;
constexpr GpStatus NotImplemented = GpStatus::NotImplemented;
constexpr GpStatus Win32Error = GpStatus::Win32Error;
constexpr GpStatus UnknownImageFormat = GpStatus::UnknownImageFormat;
constexpr GpStatus GdiplusNotInitialized = GpStatus::GdiplusNotInitialized;
} // namespace Gdiplus

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

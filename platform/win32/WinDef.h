#pragma once

#include <cstdint>

// The basic Windows types that the control's code is written with, in the library's namespace so
// that a host's own (X11's BOOL, another library's RECT) never meet them; <srctrl/Win32Names.h>
// brings them into the global namespace for a host that wants the Windows spelling. Sizes
// follow the Windows data model (DWORD and LONG are 32 bits), not the Linux one.
namespace srctrl {

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using UINT32 = std::uint32_t;
using LONG = std::int32_t;
using BOOL = int;
using LPVOID = void*;

struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};

struct SIZE {
    LONG cx;
    LONG cy;
};

struct POINT {
    LONG x;
    LONG y;
};

struct SYSTEMTIME {
    WORD wYear;
    WORD wMonth;
    WORD wDayOfWeek;
    WORD wDay;
    WORD wHour;
    WORD wMinute;
    WORD wSecond;
    WORD wMilliseconds;
};

} // namespace srctrl

#pragma once

#include "platform/win32/WinGdi.h"

#include <ostream>
#include <string>

// In the rectangles' own namespace, where GoogleTest looks for them.
namespace srctrl {

inline bool operator==(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

inline bool operator!=(const RECT& a, const RECT& b)
{
    return !(a == b);
}

// Lets GoogleTest print rectangles in failure messages.
inline void PrintTo(const RECT& rc, std::ostream* out)
{
    *out << "{" << rc.left << ", " << rc.top << ", " << rc.right << ", " << rc.bottom << "}";
}

} // namespace srctrl

namespace testing_support {

// A fresh folder under the system's temporary folder, removed with its content at destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return m_strPath; }
    std::string File(const std::string& name) const { return m_strPath + "/" + name; }

private:
    std::string m_strPath;
};

struct ToolResult {
    int nExitCode = -1;
    std::string strOutput;
};

// Runs a shell command line and collects its standard output (add 2>&1 for its errors too).
ToolResult RunTool(const std::string& command);

// Quotes a text for the shell.
std::string Quoted(const std::string& text);

// dciodvfy's lines that start with "Error" (an IOD violation) for a file; empty for a valid one.
std::string DciodvfyErrors(const std::string& path);

// The path of a file under tests/data.
std::string DataFile(const std::string& name);

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);

// Writes a 32-bit bitmap as a PNG file; false on failure.
bool WritePng(HBITMAP bitmap, const std::string& path);

// The pixel at (x, y) as 0xAARRGGBB; 0 outside the bitmap.
DWORD PixelAt(HBITMAP bitmap, int x, int y);

// How many pixels inside `rc` are closer than `tolerance` (per channel) to `color`.
int CountPixels(HBITMAP bitmap, const RECT& rc, DWORD color, int tolerance = 40);

// How many pixels inside `rc` differ from `color` by more than `tolerance` in some channel.
int CountOtherPixels(HBITMAP bitmap, const RECT& rc, DWORD color, int tolerance = 40);

} // namespace testing_support

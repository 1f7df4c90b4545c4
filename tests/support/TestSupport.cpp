#include "support/TestSupport.h"

#include <cairo.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>

namespace testing_support {

TempDir::TempDir()
{
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/srctrl-test-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a temporary folder");
    }
    m_strPath = pattern;
}

TempDir::~TempDir()
{
    RunTool("rm -rf " + Quoted(m_strPath));
}

std::string Quoted(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

ToolResult RunTool(const std::string& command)
{
    ToolResult result;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return result;
    }
    std::array<char, 4096> buffer{};
    size_t n = 0;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
        result.strOutput.append(buffer.data(), n);
    }
    const int status = pclose(pipe);
    result.nExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string DciodvfyErrors(const std::string& path)
{
    std::istringstream lines(RunTool("dciodvfy " + Quoted(path) + " 2>&1").strOutput);
    std::string line;
    std::string errors;
    while (std::getline(lines, line)) {
        if (line.rfind("Error", 0) == 0) {
            errors += line + "\n";
        }
    }
    return errors;
}

std::string DataFile(const std::string& name)
{
    return std::string(SRCTRL_TEST_DATA) + "/" + name;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool WritePng(HBITMAP bitmap, const std::string& path)
{
    BITMAP info{};
    if (GetObject(bitmap, sizeof(info), &info) == 0) {
        return false;
    }
    // The pixels are opaque BGRA rows, which is Cairo's RGB24 layout on a little-endian machine.
    cairo_surface_t* surface = cairo_image_surface_create_for_data(
        static_cast<unsigned char*>(info.bmBits), CAIRO_FORMAT_RGB24, info.bmWidth, info.bmHeight, info.bmWidthBytes);
    const bool written = cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS &&
                         cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface);
    return written;
}

DWORD PixelAt(HBITMAP bitmap, int x, int y)
{
    BITMAP info{};
    if (GetObject(bitmap, sizeof(info), &info) == 0 || x < 0 || y < 0 || x >= info.bmWidth || y >= info.bmHeight) {
        return 0;
    }
    const BYTE* p = static_cast<const BYTE*>(info.bmBits) + (static_cast<size_t>(y) * info.bmWidth + x) * 4;
    return (static_cast<DWORD>(p[3]) << 24) | (static_cast<DWORD>(p[2]) << 16) | (static_cast<DWORD>(p[1]) << 8) | p[0];
}

namespace {

bool Near(DWORD a, DWORD b, int tolerance)
{
    for (int shift = 0; shift <= 16; shift += 8) {
        const int da = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
        if (da > tolerance || da < -tolerance) {
            return false;
        }
    }
    return true;
}

} // namespace

int CountPixels(HBITMAP bitmap, const RECT& rc, DWORD color, int tolerance)
{
    int count = 0;
    for (int y = rc.top; y < rc.bottom; ++y) {
        for (int x = rc.left; x < rc.right; ++x) {
            count += Near(PixelAt(bitmap, x, y), color, tolerance) ? 1 : 0;
        }
    }
    return count;
}

int CountOtherPixels(HBITMAP bitmap, const RECT& rc, DWORD color, int tolerance)
{
    const int all = (rc.right - rc.left) * (rc.bottom - rc.top);
    return all - CountPixels(bitmap, rc, color, tolerance);
}

} // namespace testing_support

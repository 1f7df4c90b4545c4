#include "Progress.h"

#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

constexpr std::size_t kBarWidth = 30;

} // namespace

Progress::Progress(std::size_t total) : m_nTotal(total), m_bShown(total > 1 && isatty(STDERR_FILENO) != 0) {}

Progress::~Progress()
{
    Clear();
}

void Progress::Advance(bool failed)
{
    ++m_nDone;
    if (failed) {
        ++m_nFailed;
    }
    Draw();
}

void Progress::Draw()
{
    if (!m_bShown) {
        return;
    }
    const std::size_t filled = m_nTotal == 0 ? kBarWidth : m_nDone * kBarWidth / m_nTotal;
    const std::string bar = std::string(filled, '#') + std::string(kBarWidth - filled, '.');
    std::fprintf(stderr, "\r[%s] %zu/%zu", bar.c_str(), m_nDone, m_nTotal);
    if (m_nFailed > 0) {
        std::fprintf(stderr, ", %zu failed", m_nFailed);
    }
    std::fflush(stderr);
    m_bDrawn = true;
}

void Progress::Clear()
{
    if (m_bDrawn) {
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
        m_bDrawn = false;
    }
}

#pragma once

#include <cstddef>

// A one-line progress bar on standard error, drawn only when standard error is a terminal: a
// pipe or a log file gets nothing but the failure lines.
class Progress {
public:
    explicit Progress(std::size_t total);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    void Advance(bool failed);
    // Clears the bar so that a message can be printed on a clean line; the next Advance draws
    // it again.
    void Clear();

private:
    void Draw();

    std::size_t m_nTotal;
    std::size_t m_nDone = 0;
    std::size_t m_nFailed = 0;
    bool m_bShown;
    bool m_bDrawn = false;
};

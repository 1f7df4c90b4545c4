#pragma once

#include <string>

namespace testing_support {

// A small file system of the test's own (a tmpfs it mounts, which needs root) that the test
// fills up, to see what a writer does when the disk is full. Unmounted, with its folder, at
// destruction. Where it cannot be mounted, Problem() says why and the test skips.
class FullDisk {
public:
    FullDisk();
    ~FullDisk();
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;

    // Empty when mounted; otherwise why not.
    const std::string& Problem() const { return m_strProblem; }
    std::string File(const std::string& name) const { return m_strPath + "/" + name; }
    const std::string& Path() const { return m_strPath; }

    // Fills the file system with a hidden file ".filler" until no more than `leave` bytes
    // (rounded to the file system's pages) can be written.
    void Fill(size_t leave = 0);

private:
    std::string m_strPath;
    std::string m_strProblem;
    bool m_bMounted = false;
};

} // namespace testing_support

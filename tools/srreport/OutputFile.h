#pragma once

#include <string>

// An output file that appears only when it is complete. The content is written to a temporary
// file beside the target (same folder, so the final rename is atomic) and renamed over the
// target by Commit; a file never committed is removed. Creating the temporary up front also
// proves early that the target's folder is writable.
class OutputFile {
public:
    // Throws Failure (output error) when no file can be created beside `target`.
    explicit OutputFile(std::string target);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    const std::string& Target() const { return m_strTarget; }
    // Where the content goes before Commit.
    const std::string& TempPath() const { return m_strTemp; }

    // Renames the temporary over the target; throws Failure (output error) when that fails.
    void Commit();

private:
    std::string m_strTarget;
    std::string m_strTemp;
    bool m_bCommitted = false;
};

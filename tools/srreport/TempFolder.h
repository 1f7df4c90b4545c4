#pragma once

#include <string>

// A private folder under the temporary folder ($TMPDIR or /tmp) for files that a command needs
// only while it runs; removed with its content when the object goes.
class TempFolder {
public:
    // Throws Failure (output error) when no folder can be made.
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::string File(const std::string& name) const { return m_strPath + "/" + name; }

private:
    std::string m_strPath;
};

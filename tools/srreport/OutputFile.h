#pragma once

#include "platform/kmbase/KMFileReplace.h"

#include <string>

// An output file that appears only when it is complete, written through the library's one
// file-replacing writer: the content goes to a temporary file beside the target through a
// descriptor the writer owns, every write and the sync are checked, and Commit renames it over
// the target, which keeps its mode, owner and group (a link is written through). A file never
// committed is removed and the old target stays as it was. Beginning up front proves early that
// the target's folder is writable.
class OutputFile {
public:
    // Throws Failure (output error) when no file can be created beside `target`.
    explicit OutputFile(std::string target);

    const std::string& Target() const { return m_strTarget; }

    // The whole content, put on disk but not yet in place; throws Failure (output error) with
    // the cause ("No space left on device") when it cannot be written.
    void Write(const std::string& bytes);

    // Renames the written content over the target; throws Failure (output error) when that fails.
    void Commit();

private:
    [[noreturn]] void Fail();

    std::string m_strTarget;
    KMFileReplace m_replace;
};

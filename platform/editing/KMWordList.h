#pragma once

#include <cstddef>
#include <ctime>
#include <set>
#include <string>

// A list of words kept in a text file, one word a line in UTF-8: the medical words shipped with
// the control, and a person's own dictionary, which every host of the user shares. Lines that
// are empty, start with '#' or are not UTF-8 are skipped; spaces around a word are dropped.
class KMWordList {
public:
    // The longest file read; a list beyond it is refused.
    static constexpr size_t kMaxFileBytes = 8u * 1024u * 1024u;

    // Reads the list at `path`, which it keeps for Add and Refresh. A file that does not exist
    // (or is empty) is an empty list. False, with the list emptied and `reason` saying why ("word
    // list not read: PATH: file too large"), for a file that cannot be read.
    bool Load(const std::string& path, std::string& reason);
    // Reads the file again when it changed since it was read (another host added a word); true
    // when the list changed.
    bool Refresh();

    // Whether the list holds `word` as written, or `word` is a listed word with a capital first
    // letter (as at a sentence's start).
    bool Contains(const std::string& word) const;

    // Adds a word and writes the whole list to its file in one step, creating the file's folder
    // (readable by the user only). False, with `reason` ("word not saved: PATH: write error: No
    // space left on device"), when the file could not be written: the word is still in the list
    // for as long as it lives. A word with a space or a line break, or not UTF-8, is refused.
    bool Add(const std::string& word, std::string& reason);

    size_t GetCount() const { return m_setWords.size(); }

private:
    // The file's change time and size, to tell that it changed.
    struct Stamp {
        timespec mtime{};
        long long size = -1;
        bool operator==(const Stamp& other) const
        {
            return mtime.tv_sec == other.mtime.tv_sec && mtime.tv_nsec == other.mtime.tv_nsec && size == other.size;
        }
    };
    Stamp StampOf() const;
    bool Read(std::string& reason);

    std::string m_strPath;
    std::set<std::string> m_setWords;
    Stamp m_stamp;
};

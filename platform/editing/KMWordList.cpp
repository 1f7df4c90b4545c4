#include "platform/editing/KMWordList.h"

#include "platform/kmbase/KMFile.h"
#include "platform/kmbase/KMFileReplace.h"

#include <glib.h>
#include <sys/stat.h>

#include <sstream>

namespace {

std::string Trimmed(const std::string& line)
{
    const size_t start = line.find_first_not_of(" \t\r");
    if (start == std::string::npos) {
        return std::string();
    }
    return line.substr(start, line.find_last_not_of(" \t\r") - start + 1);
}

bool IsWord(const std::string& word)
{
    return !word.empty() && g_utf8_validate(word.data(), static_cast<gssize>(word.size()), nullptr) &&
           word.find_first_of(" \t\r\n") == std::string::npos;
}

} // namespace

KMWordList::Stamp KMWordList::StampOf() const
{
    Stamp stamp;
    struct stat info {};
    if (::stat(m_strPath.c_str(), &info) == 0) {
        stamp.mtime = info.st_mtim;
        stamp.size = static_cast<long long>(info.st_size);
    }
    return stamp;
}

bool KMWordList::Load(const std::string& path, std::string& reason)
{
    m_strPath = path;
    return Read(reason);
}

bool KMWordList::Read(std::string& reason)
{
    m_setWords.clear();
    m_stamp = StampOf();
    std::string bytes;
    const KMFile::Error error = KMFile::Read(m_strPath.c_str(), kMaxFileBytes, bytes);
    if (error == KMFile::Error::NotFound || error == KMFile::Error::Empty) {
        return true;
    }
    if (error != KMFile::Error::None) {
        reason = "word list not read: " + m_strPath + ": " + KMFile::Reason(error);
        return false;
    }
    std::istringstream lines(bytes);
    std::string line;
    while (std::getline(lines, line)) {
        const std::string word = Trimmed(line);
        if (IsWord(word) && word[0] != '#') {
            m_setWords.insert(word);
        }
    }
    return true;
}

bool KMWordList::Refresh()
{
    if (m_strPath.empty() || StampOf() == m_stamp) {
        return false;
    }
    std::string reason;
    Read(reason);
    return true;
}

bool KMWordList::Contains(const std::string& word) const
{
    if (m_setWords.count(word) != 0) {
        return true;
    }
    // "Pneumothorax" at a sentence's start is the listed "pneumothorax".
    const gunichar first = g_utf8_get_char_validated(word.c_str(), static_cast<gssize>(word.size()));
    if (first == static_cast<gunichar>(-1) || first == static_cast<gunichar>(-2) || !g_unichar_isupper(first)) {
        return false;
    }
    char lower[8] = {};
    g_unichar_to_utf8(g_unichar_tolower(first), lower);
    const char* rest = g_utf8_next_char(word.c_str());
    return m_setWords.count(std::string(lower) + rest) != 0;
}

bool KMWordList::Add(const std::string& word, std::string& reason)
{
    if (!IsWord(word)) {
        reason = "not a word: \"" + word + "\"";
        return false;
    }
    // Words another host added meanwhile are kept.
    Refresh();
    m_setWords.insert(word);
    std::string text = "# Words added to the dictionary of the report editor, one a line.\n";
    for (const std::string& listed : m_setWords) {
        text += listed + "\n";
    }
    const std::string folder = m_strPath.substr(0, m_strPath.rfind('/'));
    if (!folder.empty() && g_mkdir_with_parents(folder.c_str(), 0700) != 0) {
        reason = "word not saved: " + m_strPath + ": cannot create the folder " + folder;
        return false;
    }
    std::string why;
    if (KMFileReplace::Replace(m_strPath.c_str(), text, &why) != KMFile::Error::None) {
        reason = "word not saved: " + m_strPath + ": " + why;
        return false;
    }
    m_stamp = StampOf();
    return true;
}

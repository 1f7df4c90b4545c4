#pragma once

#include "platform/editing/ISpellChecker.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

class Hunspell;

// The library's own spell checker: Hunspell with the dictionaries installed for a language
// (Debian's hunspell-LANG packages, such as hunspell-en-us), read when a language is first asked
// for and kept while the checker lives. Dictionaries are looked for as LANG.aff and LANG.dic in
// the folders of $DICPATH (separated by ':'), then /usr/share/hunspell and /usr/share/myspell;
// a language without both files, or with files that are not regular ones, has no dictionary, and
// HasLanguage says where it looked. Words go to a dictionary in its own character set and come
// back as UTF-8.
class KMHunspellChecker : public srctrl::ISpellChecker {
public:
    KMHunspellChecker();
    ~KMHunspellChecker() override;
    KMHunspellChecker(const KMHunspellChecker&) = delete;
    KMHunspellChecker& operator=(const KMHunspellChecker&) = delete;

    bool HasLanguage(const std::string& language, std::string& reason) override;
    bool IsCorrect(const std::string& language, const std::string& word) override;
    std::vector<std::string> Suggest(const std::string& language, const std::string& word) override;

    // At most this many suggestions are given.
    static constexpr size_t kMaxSuggestions = 6;

private:
    struct Dictionary;
    // The dictionary of a language, loaded on first use; null when it has none (the reason is
    // kept for HasLanguage).
    Dictionary* Find(const std::string& language);

    std::map<std::string, std::unique_ptr<Dictionary>> m_mapDictionaries;
    std::map<std::string, std::string> m_mapMissing;
};

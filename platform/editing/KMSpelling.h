#pragma once

#include "platform/editing/ISpellChecker.h"
#include "platform/editing/KMHunspellChecker.h"
#include "platform/editing/KMWordList.h"

#include <map>
#include <set>
#include <string>
#include <vector>

// Spell checking for every text field of the process: which words are misspelt, what to put in
// their place, and the words a person accepts. One object serves all controls (Get); it is used
// on the hosts' UI thread only.
//
// A word counts as misspelt when at least one of the page's languages applies to it (its letters
// are of a script the language is written in, and the checker has a dictionary for the language)
// and none of them knows it, nor the medical word list of the language (the skin folder's
// srctrl/spelling/medical_LL.txt, LL the language's first part), nor the person's own dictionary
// ($XDG_CONFIG_HOME/srctrl/words.txt, ~/.config/srctrl/words.txt by default, shared by every
// host of the user), nor the words ignored since the first control started. So Chinese text is
// never marked under an English dictionary, and a page in a language without a dictionary marks
// nothing.
class KMSpelling {
public:
    static KMSpelling& Get();

    // A control starts and ends: while the first one lives, the word lists are read anew and the
    // words ignored are forgotten when the last one goes.
    void StartSession();
    void EndSession();

    // The host's settings (see <srctrl/Spelling.h>).
    void SetEnabled(bool enabled);
    bool IsEnabled() const { return m_bEnabled; }
    // Languages in place of the template's, separated by ',' or spaces; "" gives the template its
    // say again. False, with nothing changed, for a list holding something that is not a name.
    bool SetLanguages(const std::string& languages);
    // The host's checker (kept, not owned), or null for the library's Hunspell.
    void SetChecker(srctrl::ISpellChecker* checker);
    bool CanCheck(const std::string& language, std::string& reason);

    // The languages of a page whose template names `templateLanguages`: the host's, else the
    // template's, else en_US.
    std::vector<std::string> LanguagesFor(const std::string& templateLanguages) const;
    bool IsMisspelled(const std::vector<std::string>& languages, const std::string& word);
    std::vector<std::string> Suggest(const std::vector<std::string>& languages, const std::string& word);
    // Adds the word to the person's dictionary; false, with the reason, when its file could not
    // be written (the word is accepted all the same until the session ends).
    bool AddToDictionary(const std::string& word, std::string& reason);
    void Ignore(const std::string& word);
    // Changes whenever a word may be marked differently than before: a setting, a word added or
    // ignored, the person's dictionary changed by another host (looked at once a second).
    unsigned long GetGeneration();

    // Splits a list of languages; false when an entry is not a name.
    static bool ParseLanguages(const std::string& text, std::vector<std::string>& languages);

private:
    KMSpelling() = default;
    srctrl::ISpellChecker& Checker();
    void LoadLists();
    KMWordList& MedicalWords(const std::string& language);
    bool IsAccepted(const std::vector<std::string>& languages, const std::string& word);
    bool Applies(const std::string& language, const std::string& word);
    void Changed() { ++m_nGeneration; }

    KMHunspellChecker m_hunspell;
    srctrl::ISpellChecker* m_pHostChecker = nullptr;
    bool m_bEnabled = true;
    std::vector<std::string> m_vecLanguages;
    int m_nSessions = 0;
    bool m_bListsLoaded = false;
    KMWordList m_personal;
    // By a language's first part ("en").
    std::map<std::string, KMWordList> m_mapMedical;
    std::set<std::string> m_setIgnored;
    unsigned long m_nGeneration = 1;
    long long m_nLastRefreshUs = 0;
};

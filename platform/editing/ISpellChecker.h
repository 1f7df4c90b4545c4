#pragma once

#include <string>
#include <vector>

namespace srctrl {

// What tells whether a single word is spelt correctly, for the red underline under the control's
// text fields. The library's own checker reads Hunspell dictionaries; a host may plug in its own
// (SetSpellChecker in <srctrl/Spelling.h>), for a terminology server or a dictionary of its site.
//
// Words and languages are UTF-8. A language is a dictionary's name as the template gives it,
// "en_US" or "de_DE". A word holds no spaces, digits or punctuation other than an apostrophe;
// the control has already accepted the words of the person's own dictionary, the medical word
// list and the words ignored this session, so the checker sees only the rest. Every call comes
// on the host's UI thread, inside painting or a person's input: a checker answers from memory.
class ISpellChecker {
public:
    virtual ~ISpellChecker() = default;

    // Whether the checker knows `language`; false, with `reason` saying why (such as "no
    // dictionary for de_DE in /usr/share/hunspell"), when it does not: the words of that language
    // are then never marked.
    virtual bool HasLanguage(const std::string& language, std::string& reason) = 0;
    // Whether `word` is a word of `language`, as written (a checker accepts a capital at the
    // start of a sentence itself).
    virtual bool IsCorrect(const std::string& language, const std::string& word) = 0;
    // Corrections for a misspelt word, the likeliest first; empty when there are none.
    virtual std::vector<std::string> Suggest(const std::string& language, const std::string& word) = 0;
};

} // namespace srctrl

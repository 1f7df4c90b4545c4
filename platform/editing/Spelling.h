#pragma once

// Spell checking of the control's text fields, for the whole process: every control, and every
// host of the library in it. Fields mark misspelt words with a red wavy underline on the screen
// (never on paper); a person corrects them, adds them to the dictionary or ignores them through
// the host's context menu (ReportSurface's spelling calls, or SrReportWidget's own menu).
//
// The page's languages come from its template (<Spelling languages="en_US"/>), en_US when it
// names none. The person's own dictionary is $XDG_CONFIG_HOME/srctrl/words.txt
// (~/.config/srctrl/words.txt), one word a line, shared by every host of the user. A template
// field opts in or out with spellcheck="true" or "false"; multi-line fields are checked by
// default, single-line ones (names, numbers) are not. Calls are made on the host's UI thread.

#include "platform/Export.h"
#include "platform/editing/ISpellChecker.h"

#include <string>

namespace srctrl {

// On by default. Off, no field marks anything.
SRCTRL_API void SetSpellChecking(bool enabled);
SRCTRL_API bool IsSpellChecking();

// The languages to check in, in place of every template's: dictionary names separated by ','
// ("en_GB" or "de_DE,en_US"); null or "" lets the templates decide again. False, with nothing
// changed, for a text that holds something other than names of letters, digits, '_' and '-'.
SRCTRL_API bool SetSpellLanguages(const char* languages);

// A checker of the host's in place of the library's Hunspell dictionaries; null restores them.
// The library keeps the pointer and never deletes it: the host keeps the checker alive until it
// sets another one or null.
SRCTRL_API void SetSpellChecker(ISpellChecker* checker);

// Whether words of `language` can be checked; false, with `reason` saying why ("no dictionary for
// de_DE in /usr/share/hunspell, /usr/share/myspell"), when they cannot.
SRCTRL_API bool CanCheckSpelling(const char* language, std::string& reason);

} // namespace srctrl

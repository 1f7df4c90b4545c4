#pragma once

#include <string>

namespace DuiLib {

// A canned text: a standard phrase or a whole normal finding that a person inserts with a few
// keys. `sTrigger` (may be empty) is a word that, typed and followed by Tab, is replaced by the
// text. Fields in square brackets ("[size] mm") are places to fill in: Tab selects them one after
// the other once the text is in.
struct TSnippet {
    std::wstring sName;
    std::wstring sTrigger;
    std::wstring sText;
};

} // namespace DuiLib

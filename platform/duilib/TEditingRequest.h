#pragma once

#include "platform/duilib/TSnippet.h"

#include <string>
#include <vector>

namespace DuiLib {

// What WM_APP_SPELLING asks of the focused text field about the misspelt word at its caret (a
// right click puts the caret under the pointer): what it is and what could replace it (Query),
// replace it as one undoable step (Correct), accept it from now on in every field and host of
// the user (AddToDictionary: `reason` says why the dictionary's file could not be written), or
// accept it until the controls end (Ignore). Each fails when no misspelt word is at the caret.
struct SpellingRequest {
    enum class Action { Query, Correct, AddToDictionary, Ignore };
    Action action = Action::Query;
    std::wstring word;
    std::vector<std::wstring> suggestions;
    std::wstring with;
    std::string reason;
};

// What WM_APP_SNIPPET asks of the focused text field: the canned texts it offers (List: the
// person's, then the template's), or to insert the one named `name` at the caret as one undoable
// step, its first field selected (Insert).
struct SnippetRequest {
    enum class Action { List, Insert };
    Action action = Action::List;
    std::vector<TSnippet> snippets;
    std::wstring name;
};

} // namespace DuiLib

#pragma once

#include "platform/Export.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace DuiLib {

// What a person did to a text, which decides how changes group into undo steps.
enum class TextChange {
    Typing,       // a typed character: a step holds a word and what follows it, until a pause
    Erasing,      // Backspace or Delete of one character: runs of them make one step
    Paste,        // each of the others is a step of its own
    Cut,
    Delete,       // a selection deleted
    Drag,         // a selection dragged to another place of the text
    InputMethod,  // an input method's committed text
    Replace,      // find and replace
    Insert,       // a text inserted by the program on a person's behalf (a canned text)
};

// The undo and redo history of one text field. A step is a short list of records of what
// changed (where, the text removed, the text inserted), never a copy of the whole text, so a
// long text edited many times costs what the edits cost, not its length times their number.
//
// The owner records each change as it makes it, and applies what Undo and Redo hand back to its
// own copy of the text. Typing and key-by-key erasing merge into the step before while they go
// on at the same place without a pause of kPauseMs; a typed word character after a non-word one
// starts a new step, so that a step is one word with the spaces after it. The history holds at
// most kMaxSteps steps and, past kMaxChars characters of removed and inserted text, forgets its
// oldest steps (never the newest one, which may be bigger on its own).
class SRCTRL_API CUndoHistory {
public:
    // Where the selection was (anchor and caret), before or after a step.
    struct TSelection {
        size_t nAnchor = 0;
        size_t nCaret = 0;
    };
    // At `nStart`, `sRemoved` gave way to `sInserted`.
    struct TRecord {
        size_t nStart = 0;
        std::wstring sRemoved;
        std::wstring sInserted;
    };
    // What the owner does to its text: replaces `count` characters at `start` by `with`.
    using Replacer = std::function<void(size_t start, size_t count, const std::wstring& with)>;

    static constexpr size_t kMaxSteps = 1000;
    static constexpr size_t kMaxChars = size_t{1} << 20;
    static constexpr std::uint64_t kPauseMs = 1000;

    // Adds a change that was just made at `nowMs` (a clock in milliseconds). Clears what could
    // be redone.
    void Record(TextChange kind, const TRecord& record, TSelection before, TSelection after, std::uint64_t nowMs);
    // The next change starts a step of its own: the caret moved away, the field lost the focus.
    void Seal();
    // Changes recorded between BeginStep and EndStep make one step (they nest), such as every
    // replacement of a "replace all".
    void BeginStep();
    void EndStep();

    bool CanUndo() const { return m_nDone > 0; }
    bool CanRedo() const { return m_nDone < m_steps.size(); }
    // Reverts the last step through `replace` (its records last to first) and gives the
    // selection it had before; false with nothing to undo.
    bool Undo(const Replacer& replace, TSelection& selection);
    // Makes the step undone last again and gives the selection it left; false with nothing to
    // redo.
    bool Redo(const Replacer& replace, TSelection& selection);
    // Forgets every step: the text was replaced from outside and the records no longer fit it.
    void Clear();

    // Bytes that the history holds, for measuring that it stays bounded.
    size_t GetMemoryUsage() const;

private:
    struct TStep {
        TextChange kind;
        std::vector<TRecord> records;
        TSelection before;
        TSelection after;
        std::uint64_t nTime = 0;
    };

    // Whether the change can join the last step instead of starting one.
    bool Continues(TextChange kind, const TRecord& record, std::uint64_t nowMs) const;
    static size_t Chars(const TRecord& record) { return record.sRemoved.size() + record.sInserted.size(); }
    void Trim();

    // Steps [0, m_nDone) are done, the rest undone (to be redone).
    std::deque<TStep> m_steps;
    size_t m_nDone = 0;
    size_t m_nChars = 0;
    int m_nOpenSteps = 0;
    // Inside BeginStep/EndStep: the changes so far went into the last step.
    bool m_bStepStarted = false;
    bool m_bSealed = true;
};

} // namespace DuiLib

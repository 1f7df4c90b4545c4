#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace DuiLib {

// The misspelt words of one text field, kept in step with its edits, so that checking follows
// what changed: an edit marks the words around it for checking and moves the marks after it;
// Check looks only at what is marked for checking within the part of the text in view. A text
// set anew is checked as it comes into view.
//
// A word is a run of letters, digits and combining marks, with apostrophes inside it; words
// holding a digit ("T2", "12mm") or written in capitals ("CT", "MRI") and single letters are
// never marked. Positions are offsets in the text's wide characters.
class CSpellMarks {
public:
    struct TRange {
        size_t nStart;
        size_t nEnd;
    };
    // Whether a word is misspelt.
    using Checker = std::function<bool(const std::wstring& word)>;

    // The whole text, of `length` characters, needs checking; no word is marked.
    void Reset(size_t length);
    // The field replaced `removed` characters at `start` by `inserted` ones.
    void Replace(size_t start, size_t removed, size_t inserted);
    // Checks what needs it in [from, to) of `text`, except the word that ends at `typing` (the
    // one being typed, which is checked once the caret leaves it; pass npos for none).
    void Check(const std::wstring& text, size_t from, size_t to, size_t typing, const Checker& isMisspelt);
    // The misspelt words, in order.
    const std::vector<TRange>& GetMarks() const { return m_vecMarks; }
    bool IsPending() const { return !m_vecUnchecked.empty(); }

    static constexpr size_t kMaxWordChars = 64;
    // Whether a word is one a dictionary is asked about: from 2 to kMaxWordChars characters, no
    // digit, not all capitals.
    static bool IsCandidate(const std::wstring& word);
    // The word at `pos` (one that holds it, or ends at it); false when there is none.
    static bool WordAt(const std::wstring& text, size_t pos, size_t& start, size_t& end);

private:
    // Adds [start, end] to what needs checking, merging what meets it.
    void MarkUnchecked(size_t start, size_t end);
    // Checks the words of [start, end), which starts and ends at word boundaries; the word being
    // typed goes to `left`, to be checked later.
    void CheckWords(const std::wstring& text, size_t start, size_t end, size_t typing, const Checker& isMisspelt,
                    std::vector<TRange>& left);

    std::vector<TRange> m_vecMarks;
    // Closed ranges [nStart, nEnd] of the text whose words (those that meet them) need checking.
    std::vector<TRange> m_vecUnchecked;
};

} // namespace DuiLib

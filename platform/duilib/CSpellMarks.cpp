#include "platform/duilib/CSpellMarks.h"

#include <glib.h>

#include <algorithm>

namespace DuiLib {

namespace {

bool IsApostrophe(wchar_t c) { return c == L'\'' || c == L'\u2019'; }

bool IsWordChar(wchar_t c)
{
    const auto u = static_cast<gunichar>(c);
    return g_unichar_isalnum(u) || g_unichar_ismark(u);
}

// Whether position `i` of the text lies inside a word: a word character, or an apostrophe
// between two.
bool InWord(const std::wstring& text, size_t i)
{
    if (i >= text.size()) {
        return false;
    }
    if (IsWordChar(text[i])) {
        return true;
    }
    return IsApostrophe(text[i]) && i > 0 && i + 1 < text.size() && IsWordChar(text[i - 1]) && IsWordChar(text[i + 1]);
}

size_t WordStart(const std::wstring& text, size_t pos)
{
    while (pos > 0 && InWord(text, pos - 1)) {
        --pos;
    }
    return pos;
}

size_t WordEnd(const std::wstring& text, size_t pos)
{
    while (pos < text.size() && InWord(text, pos)) {
        ++pos;
    }
    return pos;
}

} // namespace

bool CSpellMarks::IsCandidate(const std::wstring& word)
{
    // Past kMaxWordChars a run of letters is no word of a dictionary (pasted data, a code), and
    // suggestions for it would take Hunspell seconds.
    if (word.size() < 2 || word.size() > kMaxWordChars) {
        return false;
    }
    bool lower = false;
    for (wchar_t c : word) {
        const auto u = static_cast<gunichar>(c);
        if (g_unichar_isdigit(u)) {
            return false;
        }
        lower = lower || g_unichar_islower(u);
    }
    return lower;
}

void CSpellMarks::Reset(size_t length)
{
    m_vecMarks.clear();
    m_vecUnchecked.assign(1, TRange{0, length});
}

void CSpellMarks::Replace(size_t start, size_t removed, size_t inserted)
{
    const size_t end = start + removed;
    const auto shift = [&](size_t pos) { return pos >= end ? pos - removed + inserted : pos; };
    std::vector<TRange> marks;
    marks.reserve(m_vecMarks.size());
    for (const TRange& mark : m_vecMarks) {
        // A word that the edit touches is checked again.
        if (mark.nEnd < start || mark.nStart > end) {
            marks.push_back(TRange{shift(mark.nStart), shift(mark.nEnd)});
        }
    }
    m_vecMarks.swap(marks);
    for (TRange& range : m_vecUnchecked) {
        range.nStart = range.nStart > end ? shift(range.nStart) : std::min(range.nStart, start);
        range.nEnd = range.nEnd >= end ? shift(range.nEnd) : std::min(range.nEnd, start);
    }
    MarkUnchecked(start, start + inserted);
}

void CSpellMarks::MarkUnchecked(size_t start, size_t end)
{
    TRange merged{start, end};
    std::vector<TRange> ranges;
    ranges.reserve(m_vecUnchecked.size() + 1);
    bool placed = false;
    for (const TRange& range : m_vecUnchecked) {
        if (range.nEnd + 1 < merged.nStart) {
            ranges.push_back(range);
        } else if (range.nStart > merged.nEnd + 1) {
            if (!placed) {
                ranges.push_back(merged);
                placed = true;
            }
            ranges.push_back(range);
        } else {
            merged.nStart = std::min(merged.nStart, range.nStart);
            merged.nEnd = std::max(merged.nEnd, range.nEnd);
        }
    }
    if (!placed) {
        ranges.push_back(merged);
    }
    m_vecUnchecked.swap(ranges);
}

void CSpellMarks::Check(const std::wstring& text, size_t from, size_t to, size_t typing, const Checker& isMisspelt)
{
    std::vector<TRange> unchecked;
    unchecked.swap(m_vecUnchecked);
    std::vector<TRange> left;
    for (TRange range : unchecked) {
        range.nEnd = std::min(range.nEnd, text.size());
        if (range.nStart > range.nEnd || range.nEnd < from || range.nStart > to) {
            if (range.nStart <= range.nEnd) {
                left.push_back(range);
            }
            continue;
        }
        // Only the part in view is checked now; the rest waits until it is shown.
        const size_t start = WordStart(text, std::max(range.nStart, from));
        const size_t end = WordEnd(text, std::min(range.nEnd, to));
        if (range.nStart < start) {
            left.push_back(TRange{range.nStart, start});
        }
        if (end < range.nEnd) {
            left.push_back(TRange{end, range.nEnd});
        }
        CheckWords(text, start, end, typing, isMisspelt, left);
    }
    m_vecUnchecked.clear();
    for (const TRange& range : left) {
        MarkUnchecked(range.nStart, range.nEnd);
    }
}

void CSpellMarks::CheckWords(const std::wstring& text, size_t start, size_t end, size_t typing, const Checker& isMisspelt,
                             std::vector<TRange>& left)
{
    const auto first = std::lower_bound(m_vecMarks.begin(), m_vecMarks.end(), start,
                                        [](const TRange& mark, size_t pos) { return mark.nEnd <= pos; });
    const auto last = std::lower_bound(first, m_vecMarks.end(), end,
                                       [](const TRange& mark, size_t pos) { return mark.nStart < pos; });
    std::vector<TRange> found;
    for (size_t pos = start; pos < end;) {
        if (!InWord(text, pos)) {
            ++pos;
            continue;
        }
        const size_t wordEnd = WordEnd(text, pos);
        const std::wstring word = text.substr(pos, wordEnd - pos);
        if (wordEnd == typing) {
            left.push_back(TRange{pos, wordEnd});
        } else if (IsCandidate(word) && isMisspelt(word)) {
            found.push_back(TRange{pos, wordEnd});
        }
        pos = wordEnd;
    }
    const auto at = m_vecMarks.erase(first, last);
    m_vecMarks.insert(at, found.begin(), found.end());
}

bool CSpellMarks::WordAt(const std::wstring& text, size_t pos, size_t& start, size_t& end)
{
    pos = std::min(pos, text.size());
    if (!InWord(text, pos) && (pos == 0 || !InWord(text, pos - 1))) {
        return false;
    }
    start = WordStart(text, pos);
    end = WordEnd(text, start);
    return start < end;
}

} // namespace DuiLib

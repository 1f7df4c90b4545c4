#include "platform/duilib/CUndoHistory.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using DuiLib::CUndoHistory;
using DuiLib::TextChange;

namespace {

// A text changed only through the history, as a text field changes its own.
struct Text {
    std::wstring text;
    CUndoHistory history;

    void Replace(size_t start, size_t end, const std::wstring& with, TextChange kind, std::uint64_t now)
    {
        history.Record(kind, {start, text.substr(start, end - start), with}, {}, {}, now);
        text.replace(start, end - start, with);
    }
    // Types at the end, a character a millisecond.
    void Type(const std::wstring& typed, std::uint64_t now)
    {
        for (wchar_t c : typed) {
            Replace(text.size(), text.size(), std::wstring(1, c), TextChange::Typing, now++);
        }
    }
    // The texts that Undo goes back through, down to where nothing is left to undo.
    std::vector<std::wstring> UndoAll()
    {
        std::vector<std::wstring> seen;
        CUndoHistory::TSelection selection;
        const auto apply = [this](size_t start, size_t count, const std::wstring& with) { text.replace(start, count, with); };
        while (history.Undo(apply, selection)) {
            seen.push_back(text);
        }
        return seen;
    }
};

struct GroupingCase {
    const char* name;
    void (*edit)(Text&);
    std::vector<std::wstring> undone;
};

const GroupingCase kGrouping[] = {
    {"a step is a word with the space after it",
     [](Text& t) { t.Type(L"Liver lesion, stable", 0); },
     {L"Liver lesion, ", L"Liver ", L""}},
    {"a pause ends a step", [](Text& t) {
         t.Type(L"ab", 0);
         t.Type(L"cd", 5000);
     },
     {L"ab", L""}},
    {"typing elsewhere starts a step", [](Text& t) {
         t.Type(L"abc", 0);
         t.Replace(0, 0, L"x", TextChange::Typing, 4);
     },
     {L"abc", L""}},
    {"a run of Backspace and Delete at one place is one step", [](Text& t) {
         t.text = L"abcdef";
         t.Replace(2, 3, L"", TextChange::Erasing, 1);
         t.Replace(1, 2, L"", TextChange::Erasing, 2);
         t.Replace(1, 2, L"", TextChange::Erasing, 3);
     },
     {L"abcdef"}},
    {"each paste is a step", [](Text& t) {
         t.Replace(0, 0, L"12 mm", TextChange::Paste, 0);
         t.Replace(5, 5, L"12 mm", TextChange::Paste, 1);
     },
     {L"12 mm", L""}},
    {"a sealed step takes no more typing", [](Text& t) {
         t.Type(L"ab", 0);
         t.history.Seal();
         t.Type(L"cd", 3);
     },
     {L"ab", L""}},
    {"changes between BeginStep and EndStep are one step", [](Text& t) {
         t.text = L"a a a";
         t.history.BeginStep();
         for (size_t at : {0, 2, 4}) {
             t.Replace(at, at + 1, L"b", TextChange::Replace, at);
         }
         t.history.EndStep();
     },
     {L"a a a"}},
};

} // namespace

TEST(CUndoHistory, GroupsChangesIntoSteps)
{
    for (const GroupingCase& c : kGrouping) {
        Text text;
        c.edit(text);
        EXPECT_EQ(text.UndoAll(), c.undone) << c.name;
    }
}

TEST(CUndoHistory, RedoGoesForwardUntilANewChange)
{
    Text t;
    t.Type(L"one two", 0);
    CUndoHistory::TSelection selection;
    const auto apply = [&t](size_t start, size_t count, const std::wstring& with) { t.text.replace(start, count, with); };
    ASSERT_TRUE(t.history.Undo(apply, selection));
    ASSERT_TRUE(t.history.Undo(apply, selection));
    ASSERT_TRUE(t.history.Redo(apply, selection));
    EXPECT_EQ(t.text, L"one ");
    t.Type(L"three", 100);
    EXPECT_FALSE(t.history.CanRedo()) << "a new change drops what was undone";
    EXPECT_EQ(t.UndoAll(), (std::vector<std::wstring>{L"one ", L""}));
}

TEST(CUndoHistory, StaysBoundedAndKeepsTheNewestSteps)
{
    Text t;
    // More steps than the history keeps, each a paste at the start.
    for (size_t i = 0; i < CUndoHistory::kMaxSteps + 50; ++i) {
        t.Replace(0, 0, L"x", TextChange::Paste, i);
    }
    EXPECT_EQ(t.UndoAll().size(), CUndoHistory::kMaxSteps);
    EXPECT_EQ(t.text, std::wstring(50, L'x')) << "the oldest steps are forgotten, not the newest";

    // Steps larger than the whole budget: only the newest stays, whatever its size.
    Text big;
    const std::wstring block(CUndoHistory::kMaxChars / 2 + 1, L'y');
    for (int i = 0; i < 3; ++i) {
        big.Replace(0, 0, block, TextChange::Paste, static_cast<std::uint64_t>(i));
    }
    EXPECT_LT(big.history.GetMemoryUsage(), 2 * CUndoHistory::kMaxChars * sizeof(wchar_t));
    EXPECT_EQ(big.UndoAll().size(), 1u);
}

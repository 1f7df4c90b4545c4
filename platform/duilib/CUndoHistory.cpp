#include "platform/duilib/CUndoHistory.h"

#include "platform/duilib/CTextSearch.h"

namespace DuiLib {

bool CUndoHistory::Continues(TextChange kind, const TRecord& record, std::uint64_t nowMs) const
{
    if (m_nOpenSteps > 0) {
        return m_bStepStarted;
    }
    if (m_bSealed || m_nDone == 0 || m_nDone != m_steps.size()) {
        return false;
    }
    const TStep& last = m_steps.back();
    if (last.kind != kind || nowMs < last.nTime || nowMs - last.nTime >= kPauseMs || last.records.size() != 1) {
        return false;
    }
    const TRecord& previous = last.records.back();
    if (kind == TextChange::Typing) {
        // Typing goes on where it stopped; a word that starts after a space is a new step.
        const bool atEnd = record.sRemoved.empty() && record.nStart == previous.nStart + previous.sInserted.size();
        const bool newWord = !previous.sInserted.empty() && !record.sInserted.empty() &&
                             !CTextSearch::IsWordChar(previous.sInserted.back()) && CTextSearch::IsWordChar(record.sInserted.front());
        return atEnd && !newWord;
    }
    if (kind == TextChange::Erasing) {
        // Backspace eats into the text before; Delete into the text after, at the same place.
        const bool backwards = record.nStart + record.sRemoved.size() == previous.nStart;
        const bool forwards = record.nStart == previous.nStart;
        return record.sInserted.empty() && previous.sInserted.empty() && (backwards || forwards);
    }
    return false;
}

void CUndoHistory::Record(TextChange kind, const TRecord& record, TSelection before, TSelection after,
                          std::uint64_t nowMs)
{
    // What was undone is gone once the text takes another way.
    while (m_steps.size() > m_nDone) {
        for (const TRecord& dropped : m_steps.back().records) {
            m_nChars -= Chars(dropped);
        }
        m_steps.pop_back();
    }
    if (Continues(kind, record, nowMs)) {
        TStep& last = m_steps.back();
        TRecord& previous = last.records.back();
        if (m_nOpenSteps == 0 && kind == TextChange::Typing) {
            previous.sInserted += record.sInserted;
        } else if (m_nOpenSteps == 0 && record.nStart + record.sRemoved.size() == previous.nStart) {
            previous.sRemoved.insert(0, record.sRemoved);
            previous.nStart = record.nStart;
        } else if (m_nOpenSteps == 0) {
            previous.sRemoved += record.sRemoved;
        } else {
            last.records.push_back(record);
        }
        last.after = after;
        last.nTime = nowMs;
    } else {
        m_steps.push_back(TStep{kind, {record}, before, after, nowMs});
        ++m_nDone;
        m_bStepStarted = m_nOpenSteps > 0;
    }
    m_nChars += Chars(record);
    m_bSealed = false;
    Trim();
}

void CUndoHistory::Trim()
{
    // Inside an open step the oldest steps may go, never the one being built.
    while (m_steps.size() > 1 && (m_steps.size() > kMaxSteps || m_nChars > kMaxChars)) {
        for (const TRecord& dropped : m_steps.front().records) {
            m_nChars -= Chars(dropped);
        }
        m_steps.pop_front();
        --m_nDone;
    }
}

void CUndoHistory::Seal()
{
    m_bSealed = true;
}

void CUndoHistory::BeginStep()
{
    if (m_nOpenSteps++ == 0) {
        m_bStepStarted = false;
    }
}

void CUndoHistory::EndStep()
{
    if (m_nOpenSteps > 0 && --m_nOpenSteps == 0) {
        m_bStepStarted = false;
        m_bSealed = true;
    }
}

bool CUndoHistory::Undo(const Replacer& replace, TSelection& selection)
{
    if (!CanUndo() || m_nOpenSteps > 0) {
        return false;
    }
    const TStep& step = m_steps[--m_nDone];
    for (auto it = step.records.rbegin(); it != step.records.rend(); ++it) {
        replace(it->nStart, it->sInserted.size(), it->sRemoved);
    }
    selection = step.before;
    m_bSealed = true;
    return true;
}

bool CUndoHistory::Redo(const Replacer& replace, TSelection& selection)
{
    if (!CanRedo() || m_nOpenSteps > 0) {
        return false;
    }
    const TStep& step = m_steps[m_nDone++];
    for (const TRecord& record : step.records) {
        replace(record.nStart, record.sRemoved.size(), record.sInserted);
    }
    selection = step.after;
    m_bSealed = true;
    return true;
}

void CUndoHistory::Clear()
{
    m_steps.clear();
    m_nDone = 0;
    m_nChars = 0;
    m_bSealed = true;
    m_bStepStarted = false;
}

size_t CUndoHistory::GetMemoryUsage() const
{
    size_t bytes = sizeof(*this);
    for (const TStep& step : m_steps) {
        bytes += sizeof(TStep) + step.records.capacity() * sizeof(TRecord);
        for (const TRecord& record : step.records) {
            bytes += (record.sRemoved.capacity() + record.sInserted.capacity()) * sizeof(wchar_t);
        }
    }
    return bytes;
}

} // namespace DuiLib

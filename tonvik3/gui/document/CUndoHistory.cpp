#include "gui/document/CUndoHistory.h"

#include <cstring>

namespace ovk {

namespace {

std::size_t BytesOf(const std::deque<TUndoSnapshot>& list)
{
    std::size_t bytes = 0;
    for (const TUndoSnapshot& s : list)
        bytes += s.Bytes();
    return bytes;
}

} // namespace

bool TUndoSnapshot::SameContent(const TUndoSnapshot& other) const
{
    return std::memcmp(&notes, &other.notes, sizeof notes) == 0 && instrumentChannel == other.instrumentChannel &&
           instrument == other.instrument;
}

std::size_t TUndoSnapshot::Bytes() const
{
    std::size_t bytes = sizeof(TUndoSnapshot);
    if (instrument)
        bytes += (instrument->carriers.size() + instrument->modulators.size()) * sizeof(TOvkOscillator) +
                 instrument->effects.size() * sizeof(TOvkEffect);
    return bytes;
}

void CUndoHistory::Append(std::deque<TUndoSnapshot>& list, const TUndoSnapshot& snapshot)
{
    list.push_back(snapshot);
    std::size_t bytes = BytesOf(list);
    while (list.size() > 1 && (list.size() > kLimit || bytes > kByteLimit)) {
        bytes -= list.front().Bytes();
        list.pop_front();
    }
}

std::size_t CUndoHistory::Bytes() const { return BytesOf(m_undo) + BytesOf(m_redo); }

bool CUndoHistory::Push(const TUndoSnapshot& snapshot)
{
    m_redo.clear();
    if (!m_undo.empty() && m_undo.back().SameContent(snapshot))
        return false;
    Append(m_undo, snapshot);
    return true;
}

std::optional<TUndoSnapshot> CUndoHistory::TakeUndo(const TUndoSnapshot& current)
{
    if (m_undo.empty())
        return std::nullopt;
    TUndoSnapshot snapshot = std::move(m_undo.back());
    m_undo.pop_back();
    Append(m_redo, current);
    return snapshot;
}

std::optional<TUndoSnapshot> CUndoHistory::TakeRedo(const TUndoSnapshot& current)
{
    if (m_redo.empty())
        return std::nullopt;
    TUndoSnapshot snapshot = std::move(m_redo.back());
    m_redo.pop_back();
    Append(m_undo, current);
    return snapshot;
}

void CUndoHistory::DropNewest()
{
    if (!m_undo.empty())
        m_undo.pop_back();
}

void CUndoHistory::Clear()
{
    m_undo.clear();
    m_redo.clear();
}

} // namespace ovk

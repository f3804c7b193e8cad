#include "gui/shell/CUndoHistory.h"

#include <cstring>

namespace ovk {

namespace {

bool SameNotes(const TOvkNoteData& a, const TOvkNoteData& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

} // namespace

void CUndoHistory::Append(std::deque<TUndoSnapshot>& list, const TUndoSnapshot& snapshot)
{
    if (list.size() >= kLimit)
        list.pop_front();
    list.push_back(snapshot);
}

bool CUndoHistory::Push(const TUndoSnapshot& snapshot)
{
    m_redo.clear();
    m_restored.reset();
    if (!m_undo.empty() && SameNotes(m_undo.back().notes, snapshot.notes))
        return false;
    Append(m_undo, snapshot);
    return true;
}

std::optional<TUndoSnapshot> CUndoHistory::TakeUndo(const TUndoSnapshot& current)
{
    if (m_undo.empty())
        return std::nullopt;
    if (m_restored && !SameNotes(*m_restored, current.notes))
        m_redo.clear();
    TUndoSnapshot snapshot = std::move(m_undo.back());
    m_undo.pop_back();
    Append(m_redo, current);
    m_restored = snapshot.notes;
    return snapshot;
}

std::optional<TUndoSnapshot> CUndoHistory::TakeRedo(const TUndoSnapshot& current)
{
    if (m_redo.empty())
        return std::nullopt;
    if (!m_restored || !SameNotes(*m_restored, current.notes)) {
        m_redo.clear();
        m_restored.reset();
        return std::nullopt;
    }
    TUndoSnapshot snapshot = std::move(m_redo.back());
    m_redo.pop_back();
    Append(m_undo, current);
    m_restored = snapshot.notes;
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
    m_restored.reset();
}

} // namespace ovk

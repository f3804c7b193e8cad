#pragma once
#include <cstddef>
#include <deque>
#include <optional>
#include "core/song/COvkModuleData.h"

namespace ovk {

// A copy of the note data and where the cursor was when it was taken.
struct TUndoSnapshot {
    TOvkNoteData notes;
    int channel = 0;
    int position = 0;
    int row = 0;
};

// The undo history of the note data (oldest first, at most 256 snapshots) and
// its redo list. It only keeps snapshots: taking them under the song's lock
// and putting them back is the editor state's business.
class CUndoHistory {
public:
    static constexpr std::size_t kLimit = 256;

    // A snapshot taken before an edit. None is added when it equals the
    // newest one; either way the redo list is cleared, as an edit follows.
    // Returns whether it was added.
    bool Push(const TUndoSnapshot& snapshot);

    // The newest snapshot, removed; current (the note data as it is now)
    // goes onto the redo list. Empty when there is nothing to undo.
    std::optional<TUndoSnapshot> TakeUndo(const TUndoSnapshot& current);
    // The newest redo entry, removed; current goes back onto the history.
    // Empty when there is nothing to redo, or when the note data changed
    // since the last undo or redo (the redo list is then dropped: redoing
    // would throw that change away).
    std::optional<TUndoSnapshot> TakeRedo(const TUndoSnapshot& current);

    // Forgets the newest snapshot: the edit it was taken for changed nothing.
    void DropNewest();
    void Clear();
    std::size_t Size() const { return m_undo.size(); }
    std::size_t RedoSize() const { return m_redo.size(); }
    const TUndoSnapshot* Newest() const { return m_undo.empty() ? nullptr : &m_undo.back(); }

private:
    static void Append(std::deque<TUndoSnapshot>& list, const TUndoSnapshot& snapshot);

    std::deque<TUndoSnapshot> m_undo;
    std::deque<TUndoSnapshot> m_redo;
    // The note data that the last undo or redo left; redo needs it unchanged.
    std::optional<TOvkNoteData> m_restored;
};

} // namespace ovk

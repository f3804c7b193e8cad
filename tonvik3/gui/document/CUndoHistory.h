#pragma once
#include <cstddef>
#include <deque>
#include <optional>
#include "core/song/COvkModuleData.h"

namespace ovk {

// What an edit may change, copied before it: the note data, and for an edit
// of an instrument that channel's whole record; with the cursor of the moment.
struct TUndoSnapshot {
    TOvkNoteData notes;
    int channel = 0;
    int position = 0;
    int row = 0;
    // The channel whose record is kept (-1 for an edit of the note data only).
    int instrumentChannel = -1;
    std::optional<COvkModuleChannel> instrument;

    // The same song content (the cursor does not count).
    bool SameContent(const TUndoSnapshot& other) const;
    // About what the snapshot takes in memory.
    std::size_t Bytes() const;
};

// The undo history (oldest first) and its redo list. Each list holds at most
// 256 snapshots and at most 16 MiB of them, the oldest going first (the
// newest always stays). It only keeps snapshots: taking them under the song's
// lock and putting them back is the editor state's business.
class CUndoHistory {
public:
    static constexpr std::size_t kLimit = 256;
    static constexpr std::size_t kByteLimit = 16u << 20;

    // A snapshot taken before an edit. None is added when it equals the
    // newest one; either way the redo list is cleared, as an edit follows.
    // Returns whether it was added.
    bool Push(const TUndoSnapshot& snapshot);

    // The newest snapshot, removed; current (the song as it is now, taken for
    // the same instrument channel) goes onto the redo list. Empty when there
    // is nothing to undo.
    std::optional<TUndoSnapshot> TakeUndo(const TUndoSnapshot& current);
    // The newest redo entry, removed; current goes back onto the history.
    // Empty when there is nothing to redo.
    std::optional<TUndoSnapshot> TakeRedo(const TUndoSnapshot& current);
    // The song changed in a way the history does not hold: what could be
    // redone would throw that change away.
    void ClearRedo() { m_redo.clear(); }

    // Forgets the newest snapshot: the edit it was taken for changed nothing.
    void DropNewest();
    void Clear();
    std::size_t Size() const { return m_undo.size(); }
    std::size_t RedoSize() const { return m_redo.size(); }
    std::size_t Bytes() const;
    const TUndoSnapshot* Newest() const { return m_undo.empty() ? nullptr : &m_undo.back(); }
    const TUndoSnapshot* NewestRedo() const { return m_redo.empty() ? nullptr : &m_redo.back(); }

private:
    static void Append(std::deque<TUndoSnapshot>& list, const TUndoSnapshot& snapshot);

    std::deque<TUndoSnapshot> m_undo;
    std::deque<TUndoSnapshot> m_redo;
};

} // namespace ovk

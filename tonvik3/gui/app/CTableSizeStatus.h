#pragma once
#include <QLabel>
#include <QTimer>
#include <cstdint>

#include "core/export/SongTableSize.h"

namespace ovk {

class CEditorState;
class IOvkModule;

// The status bar's figure of what the song's C tables take in a program
// built with the replayer, and deflated. It follows the song's change
// counter, read on the GUI thread: a move restarts a short single-shot timer,
// and the figure is worked out when the timer runs out, once the edits have
// settled. Never while painting, never on the audio thread.
class CTableSizeStatus : public QLabel {
    Q_OBJECT
public:
    // How often the change counter is read, and how long it must stay still.
    static constexpr int kPollMs = 200;
    static constexpr int kSettleMs = 400;

    CTableSizeStatus(CEditorState& state, QWidget* parent);

    // Reads the change counter; restarts the settle timer when the song moved.
    void Check();
    // Works the figure out from the song as it is now and shows it.
    void Recompute();

    const TSongTableSize& Size() const { return m_size; }
    // How many times the figure was worked out.
    int Recomputations() const { return m_recomputations; }
    bool Settling() const { return m_settle.isActive(); }

private:
    CEditorState& m_state;
    QTimer m_poll;
    QTimer m_settle;
    // The song (a new or opened song is another object) and its count last seen.
    const IOvkModule* m_seenSong = nullptr;
    std::uint32_t m_seenCount = 0;
    TSongTableSize m_size;
    int m_recomputations = 0;
};

} // namespace ovk

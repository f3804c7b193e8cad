#include "gui/app/CTableSizeStatus.h"

#include "core/module/IOvkModule.h"
#include "gui/document/CEditorState.h"
#include "morvane/api/CException.h"

namespace ovk {

CTableSizeStatus::CTableSizeStatus(CEditorState& state, QWidget* parent) : QLabel(parent), m_state(state)
{
    setObjectName(QStringLiteral("TableSize"));
    setToolTip(QStringLiteral("The bytes of the song's tables in a program built with the replayer, and the same "
                              "bytes deflated: a guide to what a compressing linker keeps"));
    m_settle.setSingleShot(true);
    m_settle.setInterval(kSettleMs);
    connect(&m_settle, &QTimer::timeout, this, &CTableSizeStatus::Recompute);
    m_poll.setInterval(kPollMs);
    connect(&m_poll, &QTimer::timeout, this, &CTableSizeStatus::Check);
    m_poll.start();
    Recompute();
}

void CTableSizeStatus::Check()
{
    IOvkModule* song = m_state.song.Get();
    if (!song)
        return;
    const std::uint32_t count = song->GetChangeCount();
    if (song == m_seenSong && count == m_seenCount)
        return;
    m_seenSong = song;
    m_seenCount = count;
    m_settle.start();
}

void CTableSizeStatus::Recompute()
{
    IOvkModule* song = m_state.song.Get();
    if (!song)
        return;
    try {
        const COvkModuleData* data = song->Lock(kSongRead);
        try {
            m_size = SongTableSize(*data);
        } catch (...) {
            song->Unlock();
            throw;
        }
        // The count under the lock: an edit after this moves it on and is picked up.
        m_seenSong = song;
        m_seenCount = song->GetChangeCount();
        song->Unlock();
    } catch (const morvane::CException&) {
        setText(QString());
        return;
    }
    ++m_recomputations;
    setText(QStringLiteral("Tables: %1 bytes, %2 deflated").arg(m_size.bytes).arg(m_size.deflated));
}

} // namespace ovk

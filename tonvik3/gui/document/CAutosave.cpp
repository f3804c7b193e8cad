#include "gui/document/CAutosave.h"

#include <algorithm>

#include "gui/document/CEditorState.h"
#include "gui/document/COvkDoc.h"
#include "gui/document/CRecoveryStore.h"

namespace ovk {

namespace {
constexpr int kPollMs = 250;
}

CAutosave::CAutosave(CEditorState& state, COvkDoc& document, CRecoveryStore& store, int intervalSeconds,
                     TClock clock)
    : m_state(state), m_document(document), m_store(store),
      // A little under the interval, so that the poll's step keeps the bound.
      m_interval(std::chrono::seconds(std::clamp(intervalSeconds, 1, kLongestInterval)) -
                 std::chrono::milliseconds(kPollMs)),
      m_clock(clock ? std::move(clock) : [] { return std::chrono::steady_clock::now(); })
{
    m_savedCount = m_state.song->GetChangeCount();
    connect(&m_timer, &QTimer::timeout, this, &CAutosave::Poll);
    m_timer.start(kPollMs);
}

void CAutosave::Poll()
{
    if (!m_document.IsModified()) {
        // Nothing to recover: a saved, new or opened song.
        if (m_store.HasFile())
            m_store.Clear();
        m_firstUnsaved.reset();
        m_savedCount = m_state.song->GetChangeCount();
        return;
    }
    const std::uint32_t count = m_state.song->GetChangeCount();
    if (count == m_savedCount && m_store.HasFile())
        return;
    const auto now = m_clock();
    if (!m_firstUnsaved)
        m_firstUnsaved = now;
    if (now - *m_firstUnsaved >= m_interval)
        SaveNow();
}

void CAutosave::SaveNow()
{
    if (!m_document.IsModified())
        return;
    const std::uint32_t count = m_state.song->GetChangeCount();
    COvkModuleData copy;
    {
        const COvkModuleData* data = m_state.song->Lock(kSongRead);
        copy = *data;
        m_state.song->Unlock();
    }
    QString error;
    m_firstUnsaved.reset();
    if (!m_store.Save(copy, m_document.Path(), &error)) {
        // Tried again after another interval.
        if (error != m_error)
            emit Failed(error);
        m_error = error;
        m_firstUnsaved = m_clock();
        return;
    }
    m_error.clear();
    m_savedCount = count;
    ++m_writes;
}

} // namespace ovk
